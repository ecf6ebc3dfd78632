// The segment engine: fetches one URL into one file over several parallel
// ranged HTTP connections, each into a part file of its own, and joins the
// parts into the target when every segment is complete.
//
// Part files are the target path followed by "_0", "_1", ... ("%s_%d"). A
// part holds, from its first byte, the leading bytes of its segment; its
// size is what has been fetched. A failed or stopped download keeps its
// parts, and the next download of the same URL and target continues every
// segment from the end of its part.
//
// Bytes are written only where they belong: a ranged answer counts when it
// is 206 with a Content-Range that starts at the asked byte. A server that
// ignores Range (answers 200) gets the whole file fetched over one
// connection instead; any other answer leaves the segment incomplete. The
// target appears only complete (joined beside it, then renamed), and the
// parts are deleted after that.
#pragma once

#include <atomic>
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

// Result of the length probe.
enum class ProbeResult {
    Usable = 1,     // a 2xx answer with a Content-Length above 31 bytes
    NoLength = 0,   // an answer, but no usable length (or not 2xx)
    NoRequest = -2  // no answer at all
};

class CSegmentDownloader {
public:
    static constexpr int kMaxConnections = 50;
    static constexpr int kStallTimeoutSeconds = 60;

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
    // answered; either may be null. Returns true when the target was
    // written, complete; false leaves the part files on disk. Blocks; runs
    // on the caller's thread, the workers on threads of their own.
    bool downloadTask(const std::string& url, const std::u16string& target,
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
    // A connection that receives nothing for this long ends its segment
    // incomplete (60 seconds by default).
    void setStallTimeout(long seconds) { stallTimeoutSeconds_ = seconds; }

    // The length probe: a plain GET whose headers are read and whose body
    // is not. Stores the declared length (0 when none) in `length`.
    ProbeResult probeLength(const std::string& url, std::int64_t& length);

    // The segment plan: `connections` equal ranges, the last one taking the
    // remainder. `connections` is clamped to 1..min(50, length).
    static std::vector<SegmentInfo> planSegments(const std::string& url,
                                                 const std::u16string& target, std::int64_t length,
                                                 int connections);
    static std::u16string partPathFor(const std::u16string& target, int index);
    // Copies the segment's part file, exactly the segment's length, to its
    // place in the open target `targetFd`, in large blocks (in the kernel
    // where it can). False when the part is missing or shorter than its
    // segment, or a write fails. The part is not deleted here.
    static bool joinSegment(const SegmentInfo& segment, int targetFd);

private:
    enum class FetchEnd { Complete, Paused, Stopped, Failed, RangeRefused };
    bool downloadSegments(const std::string& url, const std::u16string& target, int connections);
    bool fetchWholeFile(const std::string& url, const std::u16string& target);
    void segmentWorker(const SegmentInfo& segment);
    FetchEnd fetchInto(const SegmentInfo& segment, int fd, std::int64_t& have, bool ranged);
    bool joinParts(const std::vector<SegmentInfo>& segments, const std::u16string& target);
    bool isPaused();
    static std::string joiningPathFor(const std::u16string& target);
    static void restoreFirstPart(const SegmentInfo& first, const std::string& joining);
    static void recoverInterruptedJoin(const SegmentInfo& first, const std::u16string& target);
    bool waitWhilePaused();
    bool stopped() const { return stopRequested_.load(); }

    std::atomic<int> finishedCount_{0};
    std::atomic<bool> rangeRefused_{false};
    std::int64_t contentLength_ = 0;
    std::atomic<std::int64_t> received_{0};
    std::atomic<bool> stopRequested_{false};
    long stallTimeoutSeconds_ = kStallTimeoutSeconds;

    std::mutex pauseMutex_;
    std::condition_variable pauseChanged_;
    bool paused_ = false;
};
