// The watch-page decoder on arbitrary pages: title, stream map and the
// percent decoding of rebuilt URLs.
#include "streamsift/stream_map.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view page(reinterpret_cast<const char*>(data), size);
    if (const auto title = streamsift::pageTitle(page); title && title->size() > size)
        std::abort();
    if (const auto streams = streamsift::decodeStreamMap(page))
        for (const streamsift::Stream& stream : *streams)
            if (stream.url.empty() || stream.quality.size() > size)
                std::abort();
    if (streamsift::percentDecode(page).size() > size)
        std::abort();
    return 0;
}
