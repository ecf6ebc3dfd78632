#include "platform/diagnostics.h"
#include "segfetch/segfetch.h"

#include "platform/text.h"
#include "segfetch/part_stamps.h"
#include "segfetch/segment_downloader.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

// Whether another run a little later may end otherwise: the network or the
// server may recover, but a missing file, a refused target, a full disk or
// a server that ignores ranges answer the same at once, and waiting first
// would only keep the user from the reason.
bool worthWaitingFor(const FetchResult& result) {
    switch (result.outcome) {
        case FetchOutcome::NetworkError:
        case FetchOutcome::TimedOut:
            return true;
        case FetchOutcome::HttpError:
            return result.httpStatus >= 500 || result.httpStatus == 408 || result.httpStatus == 429;
        default:
            return false;
    }
}

}  // namespace

DownloadHelper::DownloadHelper() : engine(std::make_unique<CSegmentDownloader>()) {
    engine->reset();
}

DownloadHelper::~DownloadHelper() {
    // The engine's workers end at their next check point; the task thread
    // waits for them, and stop() waits for the task thread, so nothing uses
    // the engine once it is released.
    engine->requestStop();
    endThread();
}

bool DownloadHelper::addDownloadTask(const char* url, const char16_t* path) {
    if (!url || !path)
        return false;
    std::lock_guard lock(queueMutex_);
    if (std::find(urls.begin(), urls.end(), url) != urls.end())
        return false;
    urls.emplace_back(url);
    paths.emplace_back(path);
    return true;
}

bool DownloadHelper::startDownload() {
    Thread::start(nullptr);
    return true;
}

bool DownloadHelper::stopDownload() {
    // Both releases held threads, which then end at their next check point.
    engine->requestStop();
    Thread::stop();
    return false;
}

int DownloadHelper::Suspend() {
    Thread::suspend();
    engine->suspendWorkers();
    return 0;
}

int DownloadHelper::Resume() {
    Thread::resume();
    engine->resumeWorkers();
    return 0;
}

void DownloadHelper::setOnFinish(FinishCallback callback, void* userData) {
    onFinish = callback;
    onFinishData_ = userData;
}

void DownloadHelper::setConnections(int connections) {
    connections_ = std::clamp(connections, 1, CSegmentDownloader::kMaxConnections);
}

void DownloadHelper::setRetryDelay(unsigned milliseconds) {
    retryDelayMs_ = milliseconds;
}

void DownloadHelper::setStallTimeout(long seconds) {
    engine->setStallTimeout(seconds);
}

std::size_t DownloadHelper::queuedTasks() const {
    std::lock_guard lock(queueMutex_);
    return urls.size();
}

bool DownloadHelper::headTask(std::string& url, std::u16string& path) const {
    std::lock_guard lock(queueMutex_);
    if (urls.empty())
        return false;
    url = urls.front();
    path = paths.front();
    return true;
}

void DownloadHelper::popHead() {
    std::lock_guard lock(queueMutex_);
    if (urls.empty())
        return;
    urls.pop_front();
    paths.pop_front();
}

FetchResult DownloadHelper::lastResult() const {
    std::lock_guard lock(queueMutex_);
    return lastResult_;
}

void DownloadHelper::removePartFiles(const char16_t* target) {
    if (!target)
        return;
    const std::u16string path(target);
    for (int i = 0; i < CSegmentDownloader::kMaxConnections; ++i)
        ::unlink(platform::utf16ToUtf8(CSegmentDownloader::partPathFor(path, i)).c_str());
    ::unlink(CSegmentDownloader::joiningPathFor(path).c_str());
    ::unlink(PartStamps::controlPathFor(platform::utf16ToUtf8(path)).c_str());
}

void DownloadHelper::finishRun(FetchResult result) {
    std::lock_guard lock(queueMutex_);
    lastResult_ = std::move(result);
}

void* DownloadHelper::run(void*) {
    totalSize = 1;
    downloaded = nullptr;
    std::string url;
    std::u16string path;
    FetchResult result;
    if (headTask(url, path) && checkPoint()) {
        platform::diag("%s\n", url.c_str());
        result = engine->downloadTask(url, path, &downloaded, &totalSize, connections_);
        platform::diag("00000000000000000000000000000000000000000000000");
        // Success is the engine's word: an older file under the target's
        // name proves nothing.
        if (result.ok()) {
            popHead();
        } else if (!stopRequested() && worthWaitingFor(result)) {
            platform::diag("connection lost, waiting to connect again... (%s)\n",
                           result.reason.c_str());
            std::fflush(stdout);
            sleepUnlessStopped(retryDelayMs_);
        }
    } else if (stopRequested()) {
        result.outcome = FetchOutcome::Stopped;
        result.reason = "stopped";
    }
    finishRun(std::move(result));
    if (onFinish && !stopRequested())
        onFinish(onFinishData_);
    return nullptr;
}
