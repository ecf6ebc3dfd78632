// A monotonic millisecond clock, unaffected by changes of the wall clock.
#pragma once

#include <chrono>
#include <cstdint>

namespace platform {

inline std::uint64_t monotonicMillis() {
    using namespace std::chrono;
    return static_cast<std::uint64_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

}  // namespace platform
