#include "kestrel/handle_table.h"

extern "C" {
#include <libavutil/log.h>
}

namespace kestrel {

kestrel_handle nextHandleNumber() {
    // Encoders report statistics and warnings on standard error; a library
    // inside a GUI program keeps only errors. Every object starts here.
    static const bool quiet = (av_log_set_level(AV_LOG_ERROR), true);
    (void)quiet;
    static std::atomic<kestrel_handle> next{1};
    kestrel_handle handle = next.fetch_add(1);
    while (handle == 0)  // after 2^32 handles the count wraps; 0 stays reserved
        handle = next.fetch_add(1);
    return handle;
}

}  // namespace kestrel
