// Download rates: the text form a user types ("500K") and a budget of bytes
// per second that any number of threads draw from together.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string_view>

namespace platform {

// A rate in bytes per second from its text: a whole number, optionally
// followed by K or M (either case) counted in 1024s: "512000", "500K"
// (512000), "2M" (2097152). "0" is a valid rate (no limit). Nullopt for
// anything else: empty text, signs, spaces, fractions, other suffixes, or a
// value beyond 2^53 bytes per second.
std::optional<std::int64_t> parseRate(std::string_view text);

// A token bucket: bytes flow in at the rate, up to a burst of a quarter of
// a second's worth (at least one grain), and every take() draws from the
// same bucket, so the rate is shared by all takers together. The rate can
// change at any time; takers already waiting go on with the new rate at
// their next slice. Thread-safe; no lock is held while waiting.
class RateBudget {
public:
    // The grain: the most bytes a taker waits for before it gets some, a
    // twentieth of a second's worth, from kGrainMin to kGrainMax.
    static constexpr std::int64_t kGrainMin = 512;
    static constexpr std::int64_t kGrainMax = 64 * 1024;
    // Longest single sleep of a waiting taker, so that a stop or a new rate
    // is seen within it.
    static constexpr int kSliceMillis = 20;

    // 0 (the default) turns the budget off: take() grants at once.
    void setRate(std::int64_t bytesPerSecond);
    std::int64_t rate() const { return rate_.load(std::memory_order_relaxed); }
    // The most a taker can get without waiting after an idle spell.
    static std::int64_t burstFor(std::int64_t bytesPerSecond);
    static std::int64_t grainFor(std::int64_t bytesPerSecond);

    // Waits until some of `wanted` bytes may pass and returns how many
    // (from 1 to `wanted`), all of `wanted` when the budget is off. Returns
    // 0 once `keepGoing` (asked between slices; may be empty) says false.
    std::size_t take(std::size_t wanted, const std::function<bool()>& keepGoing);

private:
    // Adds what flowed in since the last refill at `bytesPerSecond`.
    void refillLocked(std::int64_t nowMicros, std::int64_t bytesPerSecond);

    std::atomic<std::int64_t> rate_{0};
    std::mutex mutex_;
    double tokens_ = 0;             // guarded by mutex_
    std::int64_t refilledAt_ = -1;  // micros of the steady clock; -1: never
};

}  // namespace platform
