#include "platform/transfer_limits.h"

#include <cstdlib>
#include <mutex>
#include <string_view>

namespace platform {
namespace {

// Applies "name=milliseconds,..." to `limits`; unknown or malformed items
// are ignored.
void applyOverrides(std::string_view text, TransferLimits& limits) {
    while (!text.empty()) {
        const size_t comma = text.find(',');
        const std::string_view item = text.substr(0, comma);
        text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
        const size_t equals = item.find('=');
        if (equals == std::string_view::npos)
            continue;
        const std::string_view name = item.substr(0, equals);
        char* end = nullptr;
        const std::string value(item.substr(equals + 1));
        const long ms = std::strtol(value.c_str(), &end, 10);
        if (value.empty() || *end != '\0' || ms < 0)
            continue;
        const TransferLimits::ms duration(ms);
        if (name == "connect")
            limits.connect = duration;
        else if (name == "firstbyte")
            limits.firstByte = duration;
        else if (name == "stall")
            limits.stall = duration;
        else if (name == "pause")
            limits.firstReconnectPause = duration;
    }
}

struct LimitsStore {
    std::mutex mutex;
    TransferLimits limits;
    LimitsStore() {
        if (const char* text = std::getenv("CLIPWRIGHT_TEST_TIME_LIMITS"))
            applyOverrides(text, limits);
    }
};

LimitsStore& store() {
    static LimitsStore instance;
    return instance;
}

}  // namespace

TransferLimits transferLimits() {
    LimitsStore& s = store();
    std::lock_guard lock(s.mutex);
    return s.limits;
}

void setTransferLimitsForTesting(const TransferLimits& limits) {
    LimitsStore& s = store();
    std::lock_guard lock(s.mutex);
    s.limits = limits;
}

}  // namespace platform
