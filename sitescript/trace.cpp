#include "sitescript/trace.h"

#include "platform/text.h"
#include "sitescript/tooling.h"

namespace sitescript {
namespace {

struct ThreadTrace {
    TraceSink sink = nullptr;
    void* user = nullptr;
};

thread_local ThreadTrace currentTrace;

}  // namespace

void setTraceSink(TraceSink sink, void* user) {
    currentTrace = {sink, user};
}

void traceStatement(std::u16string_view line, int status) {
    if (currentTrace.sink)
        currentTrace.sink(platform::utf16ToUtf8(line), status, currentTrace.user);
}

}  // namespace sitescript
