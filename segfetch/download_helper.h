// DownloadHelper: a queue of download tasks (URL and target path), the
// head of which one run downloads over parallel ranged connections.
//
// Typical use from a program's worker:
//     auto* helper = new DownloadHelper;
//     helper->addDownloadTask(url, path);
//     helper->startDownload();
//     ... once a second: if (auto* c = helper->downloaded.load()) show(c->load());
//     helper->join();
//     bool ok = target exists;
//     delete helper;
// Pause with Suspend(), continue with Resume(), cancel with stopDownload().
// A failed run keeps the task at the head and its part files on disk; the
// next run (of this object or of a new one for the same URL and target)
// resumes from them.
#pragma once

#include "segfetch/thread.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>

class CSegmentDownloader;

class DownloadHelper : public Thread {
public:
    // Null until a run has started its task; from then on the address of
    // the engine's count of received bytes, which stays valid for the
    // object's lifetime. Read both with load() from any thread.
    std::atomic<const std::atomic<std::int64_t>*> downloaded{nullptr};
    // 1 from the start of a run until the length probe has answered, then
    // the length reported by the server (0 when none).
    std::atomic<std::int64_t> totalSize{1};

    DownloadHelper();
    // Stops a running download (as stopDownload() does, without changing
    // its result) and waits until its task and connection threads have
    // ended; then releases the engine.
    ~DownloadHelper() override;

    // Queues a copy of the URL (UTF-8) and of the target path (UTF-16).
    // Returns false, queueing nothing, when the URL (compared byte for
    // byte) is already queued or an argument is null. Any thread.
    bool addDownloadTask(const char* url, const char16_t* path);
    // Starts a run on the task thread unless one is running. Always true.
    bool startDownload();
    // Cancels for good: the connection threads close their part files at
    // their next check point, the run ends without calling onFinish, and
    // this object never completes a download again. Returns after the task
    // thread has ended. Always false.
    bool stopDownload();
    // Holds the task thread and every connection thread; pauses do not
    // stack. Always 0.
    int Suspend();
    // Lets them go on. Always 0.
    int Resume();
    // Called on the task thread at the end of every run that was not
    // stopped. Set it before startDownload().
    void setOnFinish(void (*callback)());

    // Connections per download, 1 to 50 (5 by default). Set before a run.
    void setConnections(int connections);
    // The wait after a run that left no target (10 000 ms by default); a
    // stop ends it at once. Set before a run.
    void setRetryDelay(unsigned milliseconds);
    // The engine's stall limit in seconds (60 by default). Set before a run.
    void setStallTimeout(long seconds);
    // Number of queued tasks. Any thread.
    std::size_t queuedTasks() const;

    // The task thread's body: downloads the head task once. Returns null.
    void* run(void* arg) override;

private:
    bool exist(int index) const;
    bool headTask(std::string& url, std::u16string& path) const;
    void popHead();

    mutable std::mutex queueMutex_;
    std::deque<std::string> urls;
    std::deque<std::u16string> paths;
    void (*onFinish)() = nullptr;
    std::unique_ptr<CSegmentDownloader> engine;
    int connections_ = 5;
    unsigned retryDelayMs_ = 10000;
};
