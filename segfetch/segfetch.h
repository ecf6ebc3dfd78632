/*
 * segfetch: the segmented downloader of clipwright.
 *
 * Fetches one URL into one file over several parallel ranged HTTP
 * connections (five by default), each into a part file of its own, and joins
 * the parts into the target when every segment is complete. A failed or
 * stopped download keeps its part files; the next download of the same URL
 * and target continues every segment where its part ends.
 *
 * The interface is two classes: Thread, a native-thread wrapper with
 * cooperative control, and DownloadHelper, a queue of download tasks whose
 * head one run downloads. Include this header only.
 *
 * Conventions shared by both classes:
 * - Threads: "owner" means the thread that created the object and calls
 *   start, join and the destructor. Calls marked "any thread" may come from
 *   any thread at any time. No call throws.
 * - Nothing is ever killed: stop and pause requests are honoured by the
 *   running code at its next check point (between reads of a connection,
 *   and about once a second while no data arrives), so that every file,
 *   connection and lock is released by the thread that holds it.
 * - Strings passed in are copied. URLs are NUL-terminated UTF-8, paths
 *   NUL-terminated UTF-16 (char16_t).
 * - Sizes, offsets and counters are signed 64-bit.
 * - Diagnostics go to standard output; nothing reads them.
 *
 * Part files (on disk, shared with every program that resumes a download):
 * - The parts of target T are "T_0", "T_1", ... one per segment. Part i
 *   holds, from its first byte, the leading bytes of segment i; its size is
 *   what has been fetched of that segment.
 * - The segment plan: the length L that the server declares is cut into n
 *   ranges of length S, the last one taking the remainder: S is L / n
 *   rounded down to a multiple of 64 KiB (65536), or L / n itself when that
 *   is less than 64 KiB. Segment i of the plan covers [i * S, (i + 1) * S),
 *   the last one ends at L.
 * - Every part carries a stamp: the plan it was fetched for (the file's
 *   length and the segment's range) and the server's validators (ETag and
 *   Last-Modified, when given). It lives in an extended attribute of the
 *   part ("user.segfetch.segment"); where the file system keeps none, all
 *   stamps of T go to one control file "T.stamps" beside it, written
 *   atomically. A part without a stamp, or stamped for another plan, is
 *   fetched anew. When the server shows other validators than the stamps,
 *   every part is discarded and the file is downloaded anew, once (noted in
 *   the result). Ranged requests that continue parts carry If-Range with
 *   the validator, so that a file that changes meanwhile is never mixed.
 * - While the join runs, part 0 is renamed to "T.joining" and the other
 *   parts are copied into it (on file systems that share blocks, such as
 *   btrfs and XFS, their blocks are shared rather than copied); it is
 *   renamed to T once complete. So T never
 *   exists half written; a join that a crash interrupted is recovered by the
 *   next download. After a successful join the parts and the control file
 *   are deleted.
 *
 * Transfers: every request has the connect and first-byte limits of
 * platform/transfer_limits.h, and a stall limit. A connection that breaks
 * (or stalls) is opened again from where its part ends, with pauses of 1,
 * 2, 4, 8 and 16 s while no byte arrives in between, before the download
 * fails; a stop or a pause cuts a pause short. A time limit, an HTTP error
 * status, a refused Content-Encoding or a write error ends the download at
 * once. Answers are written only where they belong: a ranged answer must be
 * 206 with the asked Content-Range; a server that ignores Range gets the
 * whole file over one connection. Every connection draws its bytes from
 * the process-wide download budget of platform/http.h (setRateLimit), which
 * all downloads of the process share.
 */
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

/* ------------------------------------------------------------------------
 * Thread: a native thread that runs the virtual run() of a subclass.
 *
 * States: Idle (constructed, or stopped), Running (started), Joined (run
 * ended and was joined; can be started again), Detached (final).
 * suspend(), resume() and stop() set a gate and a stop flag that run()
 * passes at its check points: checkPoint() and sleepUnlessStopped().
 * ---------------------------------------------------------------------- */
class Thread {
public:
    Thread();
    // Calls endThread(). A subclass whose run() uses the subclass's own
    // members must call endThread() in its own destructor: by the time this
    // destructor runs, those members are gone.
    virtual ~Thread();
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;

    // The thread's body, called with the argument given to start(). Its
    // result, truncated to 32 bits, is what join() returns.
    virtual void* run(void* arg) = 0;

    // Creates the thread unless one was started and not yet joined or
    // stopped. Returns 1 when a thread is (now or already) started, 0 when
    // creation failed. Owner's thread.
    int start(void* arg);
    // Waits without time limit for the thread to end and returns the low
    // 32 bits of run()'s result; 0 at once when no thread is live. A joined
    // object can be started again. Several threads may wait at once; the
    // thread itself must not.
    std::uintptr_t join();
    // Gives up control of the thread: it runs on, and join(), suspend(),
    // resume() and stop() no longer reach it. Detached is final.
    void detach();
    // Holds the thread at its next check point. Suspensions do not stack:
    // one resume() lets it go on however often suspend() was called. Any
    // thread.
    void suspend();
    void resume();
    // Asks the thread to end at its next check point (also releasing a
    // suspended one) and waits until it has ended. Called from any thread
    // but the object's own. Afterwards the object is idle and can be
    // started again.
    void stop();
    // Blocks the calling thread for `ms` milliseconds.
    static void sleep(unsigned ms);

protected:
    // Stops the thread (see stop()) and waits for it, also for a detached
    // one. Safe to call more than once.
    void endThread();
    // Check point for run(): waits while the thread is suspended; returns
    // false once a stop was asked for.
    bool checkPoint();
    // Waits `ms` milliseconds, or less when a stop is asked for, then
    // passes checkPoint(). Returns false when a stop was asked for.
    bool sleepUnlessStopped(unsigned ms);
    // True once stop() or the destructor asked the thread to end.
    bool stopRequested() const;

private:
    struct Control;
    static void entry(Thread* self, std::shared_ptr<Control> control);
    bool liveLocked() const;
    void reapLocked();
    void requestStopLocked();

    // Owned by the object; null when there is no live thread.
    std::unique_ptr<std::thread> handle;
    bool started = false;  // a thread was created and not yet joined or stopped
    bool joined = false;   // the last thread was joined
    void* startArg = nullptr;
    std::uint32_t threadId = 0;  // the system's id of the thread (0 before the first start)
    std::unique_ptr<std::thread> detachedHandle;  // a detached thread, waited for at destruction
    std::shared_ptr<Control> control;
};

class CSegmentDownloader;

/* ------------------------------------------------------------------------
 * FetchResult: how one download (one run of DownloadHelper) ended.
 * ---------------------------------------------------------------------- */
enum class FetchOutcome {
    Complete = 0,     // the target was written, complete and checked
    NotRun,           // no run yet, or the queue was empty
    Stopped,          // stopDownload() or the destructor ended it
    TargetRefused,    // the target is a directory, or its folder is missing or not writable
    HttpError,        // the server answered with an error status
    NoLength,         // the server declared no usable length (none, or 31 bytes or less)
    NetworkError,     // no connection, or connections kept breaking off
    TimedOut,         // the connect or first-byte limit was reached
    RefusedEncoding,  // the server sent a Content-Encoding that was not asked for
    FileChanged,      // the file changed on the server again after a fresh start
    WrongRange,       // the server answered a range other than the one asked for
    WriteFailed,      // a part file or the target could not be written (disk full, ...)
};

struct FetchResult {
    FetchOutcome outcome = FetchOutcome::NotRun;
    // Why it failed, in words for a user: "HTTP 404 Not Found", "cannot
    // write /v/a.mp4_2: No space left on device", ...; empty when Complete.
    std::string reason;
    // Something a user should know even of a success, for example that the
    // file changed on the server and was downloaded anew; usually empty.
    std::string note;
    long httpStatus = 0;  // the HTTP status behind HttpError
    int systemError = 0;  // the system's error number behind a failure, 0 when none
    // Part files of the target with bytes in them are on disk (a later run
    // resumes from them).
    bool partsKept = false;
    bool ok() const { return outcome == FetchOutcome::Complete; }
};

/* ------------------------------------------------------------------------
 * DownloadHelper: a queue of download tasks (URL and target path); one run
 * downloads the head task on the object's own thread (the task thread),
 * with one more thread per connection.
 *
 * Typical use from a program's worker:
 *     auto* helper = new DownloadHelper;          // owner's thread
 *     helper->addDownloadTask(url, path);
 *     helper->startDownload();
 *     ... once a second: if (auto* c = helper->downloaded.load()) show(c->load());
 *     helper->join();
 *     delete helper;
 * Pause with Suspend(), continue with Resume(), cancel with stopDownload().
 *
 * Ownership: the owner creates and deletes the object; the object owns its
 * engine, its threads and the copies of the queued strings. The counter
 * behind `downloaded` belongs to the object and lives as long as it does.
 *
 * Results: a run succeeds only when the engine wrote the target complete
 * (lastResult().ok()); an older file under the target's name counts for
 * nothing, and stays untouched by a failed run. A run that leaves the task
 * unfinished keeps it at the head of the queue and its part files on disk;
 * the next run (of this object or of a new one for the same URL and target)
 * resumes from them.
 * ---------------------------------------------------------------------- */
class DownloadHelper : public Thread {
public:
    // Called on the task thread at the end of every run that was not
    // stopped, with the user data given to setOnFinish().
    using FinishCallback = void (*)(void* userData);

    // Null until a run has started its task; from then on the address of
    // the engine's count of received bytes (this run's and every earlier
    // run's of this object), which stays valid for the object's lifetime.
    // Read both with load(), from any thread.
    std::atomic<const std::atomic<std::int64_t>*> downloaded{nullptr};
    // 1 from the start of a run until the length probe has answered, then
    // the length reported by the server (0 when none). Any thread.
    std::atomic<std::int64_t> totalSize{1};

    DownloadHelper();
    // Stops a running download (as stopDownload() does) and waits until its
    // task and connection threads have ended; then releases the engine.
    // Owner's thread; onFinish is not called.
    ~DownloadHelper() override;

    // Queues a copy of the URL and of the target path. Returns false,
    // queueing nothing, when the URL (compared byte for byte) is already
    // queued or an argument is null. Any thread.
    bool addDownloadTask(const char* url, const char16_t* path);
    // Starts a run on the task thread unless one is running. Always true.
    // Owner's thread.
    bool startDownload();
    // Cancels for good: the connection threads close their part files at
    // their next check point, the run ends without calling onFinish, and
    // this object never completes a download again. Returns after the task
    // thread has ended. Always false. Any thread but the task thread.
    bool stopDownload();
    // Holds the task thread and every connection thread; pauses do not
    // stack. A held connection is closed and opened again from the end of
    // its part when let go. Always 0. Any thread.
    int Suspend();
    // Lets them go on. Always 0. Any thread.
    int Resume();
    // `callback` (may be null) is called with `userData` on the task thread
    // at the end of every run that was not stopped. Set it before
    // startDownload(); the user data must outlive the runs.
    void setOnFinish(FinishCallback callback, void* userData);

    // Connections per download, 1 to 50 (5 by default). Set before a run.
    void setConnections(int connections);
    // The wait after a run that the network or the server left unfinished
    // (no connection, a time limit, HTTP 5xx, 408 or 429), before the run
    // reports; 10 000 ms by default. Any other failure reports at once. A
    // stop ends the wait. Set before a run.
    void setRetryDelay(unsigned milliseconds);
    // The engine's stall limit in seconds (that of platform/transfer_limits.h,
    // 60, by default). Set before a run.
    void setStallTimeout(long seconds);
    // Number of queued tasks. Any thread.
    std::size_t queuedTasks() const;
    // How the last run ended (NotRun before the first). Read it after
    // join() or in the finish callback; any thread.
    FetchResult lastResult() const;
    // Deletes the part files of `target` (any connection count), its
    // control file and an interrupted join's file; for a task that is
    // discarded. Not while a download of that target runs.
    static void removePartFiles(const char16_t* target);

    // The task thread's body: downloads the head task once. Returns null.
    void* run(void* arg) override;

private:
    bool headTask(std::string& url, std::u16string& path) const;
    void finishRun(FetchResult result);
    void popHead();

    mutable std::mutex queueMutex_;  // guards the queues and lastResult_
    std::deque<std::string> urls;
    std::deque<std::u16string> paths;
    FinishCallback onFinish = nullptr;
    void* onFinishData_ = nullptr;
    std::unique_ptr<CSegmentDownloader> engine;
    int connections_ = 5;
    unsigned retryDelayMs_ = 10000;
    FetchResult lastResult_;
};
