// The segment engine behind DownloadHelper: fetches one URL into one file
// over several parallel ranged HTTP connections, each into a part file of
// its own, and joins the parts into the target when every segment is
// complete. The contract of the part files, stamps and retries is
// described in segfetch/segfetch.h.
#pragma once

#include "platform/file_io.h"
#include "platform/http.h"
#include "segfetch/segfetch.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

struct SegmentInfo {
    std::string url;
    std::u16string partPath;  // target path, "_" and the segment's index
    std::int64_t start = 0;   // first byte of the segment in the target
    std::int64_t end = 0;     // one past the last byte of the segment
    std::int64_t length() const { return end - start; }
};

class CSegmentDownloader {
public:
    static constexpr int kMaxConnections = 50;
    // Segment boundaries fall on multiples of this (see planSegments).
    static constexpr std::int64_t kSegmentAlignment = 64 * 1024;

    CSegmentDownloader();
    // Asks running workers to stop. Must not be called while downloadTask()
    // runs on another thread: the owner ends that thread first.
    ~CSegmentDownloader();
    CSegmentDownloader(const CSegmentDownloader&) = delete;
    CSegmentDownloader& operator=(const CSegmentDownloader&) = delete;

    // Clears the stop flag, the byte counter and the finished count.
    void reset();

    // Downloads `url` to `target` over `connections` connections (1 to 50).
    // Publishes the address of the byte counter to `counterAddress` at once
    // and the probed length to `length` (0 when none) when the probe has
    // answered; either may be null. The result is Complete only when the
    // target was written, complete; any other keeps the part files. Blocks;
    // runs on the caller's thread, the workers on threads of their own.
    FetchResult downloadTask(const std::string& url, const std::u16string& target,
                             std::atomic<const std::atomic<std::int64_t>*>* counterAddress,
                             std::atomic<std::int64_t>* length, int connections);

    // Any thread. The stop flag is never cleared again except by reset():
    // workers close their parts at their next check point (between reads,
    // and about once a second while no data arrives) and end.
    void requestStop();
    // Any thread. Holds every worker at its next check point; a ranged
    // worker also closes its connection and continues with a new request
    // from the end of its part when let go. Pauses do not stack.
    void suspendWorkers();
    void resumeWorkers();

    // Bytes received by all workers since construction or reset(); grows
    // across tasks. Written with atomic additions, readable from any thread.
    const std::atomic<std::int64_t>& received() const { return received_; }
    // A connection that receives nothing for this long is given up and
    // opened again (the stall limit of platform::transferLimits() unless
    // set).
    void setStallTimeout(long seconds) { stallTimeoutSeconds_ = seconds; }

    // The segment plan: `connections` ranges of equal length, rounded down
    // to a multiple of kSegmentAlignment when that leaves at least one, the
    // last one taking the remainder. `connections` is clamped to
    // 1..min(50, length).
    static std::vector<SegmentInfo> planSegments(const std::string& url,
                                                 const std::u16string& target, std::int64_t length,
                                                 int connections);
    static std::u16string partPathFor(const std::u16string& target, int index);
    // Copies the segment's part file, exactly the segment's length, to its
    // place in the open target `targetFd`: its blocks shared where the file
    // system can, else copied in the kernel, else in 1 MiB blocks. False
    // when the part is missing or shorter than its segment, or a write fails
    // (errno tells why). The part is not deleted here.
    static bool joinSegment(const SegmentInfo& segment, int targetFd);
    // The fastest method the join tries (Clone unless a test forces a
    // slower one). Any thread; not while a join runs.
    static void setJoinMethodForTesting(platform::CopyMethod fastest);
    static std::string joiningPathFor(const std::u16string& target);

private:
    // How one request of a segment ended.
    enum class FetchEnd { Complete, Paused, Stopped, Retry, RangeRefused, FileChanged, Fatal };
    struct Probe {
        std::int64_t length = 0;
        platform::http::Validators validators;
        FetchResult failure;  // outcome NotRun when the probe is usable
    };
    enum class PlanRun { Done, FileChanged };
    // Why a connection broke, kept for the reason once the retries are spent.
    struct Broken {
        std::string reason;
        int systemError = 0;
    };

    Probe probe(const std::string& url);
    PlanRun runPlan(const std::string& url, const std::u16string& target, int connections,
                    bool freshStart);
    std::vector<std::int64_t> prepareParts(const std::vector<SegmentInfo>& segments,
                                           const std::string& target, bool& validatorsChanged);
    bool fetchWholeFile(const std::string& url, const std::u16string& target);
    void segmentWorker(const SegmentInfo& segment, std::int64_t have);
    FetchEnd fetchWithRetries(const SegmentInfo& segment, int fd, std::int64_t& have, bool ranged);
    FetchEnd fetchInto(const SegmentInfo& segment, int fd, std::int64_t& have, bool ranged,
                       Broken& broken);
    static void restoreFirstPart(const SegmentInfo& first, const std::string& joining);
    static void recoverInterruptedJoin(const SegmentInfo& first, const std::u16string& target);
    bool joinParts(const std::vector<SegmentInfo>& segments, const std::u16string& target);
    void removeParts(const std::u16string& target, int count);
    bool isPaused();
    bool waitWhilePaused();
    bool pauseBeforeReconnect(std::chrono::milliseconds pause);
    bool stopped() const { return stopRequested_.load(); }
    void fail(FetchOutcome outcome, std::string reason, int systemError = 0, long httpStatus = 0);
    void failFrom(const platform::http::Response& response);
    FetchResult failure();
    platform::http::Request requestFor(const std::string& url) const;

    static std::atomic<platform::CopyMethod> joinMethod_;
    std::atomic<int> finishedCount_{0};
    std::atomic<bool> rangeRefused_{false};
    std::atomic<bool> fileChanged_{false};
    // The plan's facts, written by the task thread before the workers start.
    std::int64_t contentLength_ = 0;
    platform::http::Validators expected_;
    std::string ifRange_;
    std::atomic<std::int64_t> received_{0};
    std::atomic<bool> stopRequested_{false};
    long stallTimeoutSeconds_ = 0;  // 0: the stall limit in force

    std::mutex failureMutex_;
    FetchResult failure_;  // the first failure of the current task

    std::mutex pauseMutex_;
    std::condition_variable pauseChanged_;
    bool paused_ = false;
};
