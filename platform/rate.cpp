#include "platform/rate.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>

namespace platform {
namespace {

// Beyond this a double no longer counts single bytes exactly.
constexpr std::int64_t kLargestRate = std::int64_t{1} << 53;

std::int64_t steadyMicros() {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace

std::optional<std::int64_t> parseRate(std::string_view text) {
    std::int64_t unit = 1;
    if (!text.empty()) {
        const char last = text.back();
        if (last == 'K' || last == 'k')
            unit = 1024;
        else if (last == 'M' || last == 'm')
            unit = 1024 * 1024;
        if (unit != 1)
            text.remove_suffix(1);
    }
    if (text.empty())
        return std::nullopt;
    std::int64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
        if (value > kLargestRate)
            return std::nullopt;
    }
    if (value > kLargestRate / unit)
        return std::nullopt;
    return value * unit;
}

std::int64_t RateBudget::grainFor(std::int64_t bytesPerSecond) {
    return std::clamp<std::int64_t>(bytesPerSecond / 20, kGrainMin, kGrainMax);
}

std::int64_t RateBudget::burstFor(std::int64_t bytesPerSecond) {
    return std::max(bytesPerSecond / 4, grainFor(bytesPerSecond));
}

void RateBudget::refillLocked(std::int64_t nowMicros, std::int64_t bytesPerSecond) {
    if (bytesPerSecond > 0) {
        const double burst = static_cast<double>(burstFor(bytesPerSecond));
        const double flowed = refilledAt_ < 0 ? burst
                                              : static_cast<double>(nowMicros - refilledAt_) *
                                                    static_cast<double>(bytesPerSecond) / 1e6;
        tokens_ = std::min(burst, tokens_ + flowed);
    }
    refilledAt_ = nowMicros;
}

void RateBudget::setRate(std::int64_t bytesPerSecond) {
    bytesPerSecond = std::clamp<std::int64_t>(bytesPerSecond, 0, kLargestRate);
    std::lock_guard lock(mutex_);
    // What flowed in so far flowed at the old rate.
    refillLocked(steadyMicros(), rate_.load(std::memory_order_relaxed));
    rate_.store(bytesPerSecond, std::memory_order_relaxed);
    if (bytesPerSecond > 0)
        tokens_ = std::min(tokens_, static_cast<double>(burstFor(bytesPerSecond)));
}

std::size_t RateBudget::take(std::size_t wanted, const std::function<bool()>& keepGoing) {
    if (wanted == 0)
        return 0;
    for (;;) {
        std::int64_t waitMicros = 0;
        {
            std::lock_guard lock(mutex_);
            const std::int64_t bytesPerSecond = rate_.load(std::memory_order_relaxed);
            if (bytesPerSecond <= 0)
                return wanted;
            refillLocked(steadyMicros(), bytesPerSecond);
            const double need = static_cast<double>(std::min<std::int64_t>(
                static_cast<std::int64_t>(wanted), grainFor(bytesPerSecond)));
            if (tokens_ >= need) {
                const auto granted = static_cast<std::size_t>(
                    std::min(static_cast<double>(wanted), std::floor(tokens_)));
                tokens_ -= static_cast<double>(granted);
                return granted;
            }
            waitMicros = static_cast<std::int64_t>(
                std::ceil((need - tokens_) * 1e6 / static_cast<double>(bytesPerSecond)));
        }
        if (keepGoing && !keepGoing())
            return 0;
        // A short slice: a stop or a new rate is seen at the next turn.
        std::this_thread::sleep_for(std::chrono::microseconds(
            std::clamp<std::int64_t>(waitMicros, 100, kSliceMillis * 1000)));
    }
}

}  // namespace platform
