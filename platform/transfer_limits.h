// The time limits and reconnect pauses of every network transfer, in one
// place: the HTTP layer and the engines above it read them from here.
#pragma once

#include <chrono>

namespace platform {

struct TransferLimits {
    using ms = std::chrono::milliseconds;
    // Until the connection is made (TCP and TLS).
    ms connect{30'000};
    // From sending a request to the first byte of the answer.
    ms firstByte{30'000};
    // A transfer that receives nothing for this long has stalled.
    ms stall{60'000};
    // A broken connection is opened again after this pause, doubled for
    // each further attempt in a row without progress (1, 2, 4, 8, 16 s) ...
    ms firstReconnectPause{1'000};
    // ... up to this many attempts in a row without progress.
    int reconnectsWithoutProgress = 5;

    // The pause before reconnect attempt `attempt` (1 for the first).
    ms reconnectPause(int attempt) const {
        return firstReconnectPause * (1 << (attempt < 1 ? 0 : attempt > 16 ? 15 : attempt - 1));
    }
};

// The limits in force: the standard ones above, unless a test replaced them
// with setTransferLimitsForTesting() or, for a whole process, through the
// environment variable CLIPWRIGHT_TEST_TIME_LIMITS, read once: comma
// separated "name=milliseconds" items with the names connect, firstbyte,
// stall and pause (for example "firstbyte=500,pause=20"). Any thread.
TransferLimits transferLimits();

// Replaces the limits for the rest of the process (tests only). Call it
// before starting transfers.
void setTransferLimitsForTesting(const TransferLimits& limits);

}  // namespace platform
