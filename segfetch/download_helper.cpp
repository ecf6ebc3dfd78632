#include "segfetch/segfetch.h"

#include "platform/text.h"
#include "segfetch/segment_downloader.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

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

bool DownloadHelper::exist(int index) const {
    std::lock_guard lock(queueMutex_);
    if (index < 0 || static_cast<std::size_t>(index) >= paths.size())
        return false;
    return ::access(platform::utf16ToUtf8(paths[static_cast<std::size_t>(index)]).c_str(), F_OK) ==
           0;
}

void* DownloadHelper::run(void*) {
    totalSize = 1;
    downloaded = nullptr;
    std::string url;
    std::u16string path;
    if (headTask(url, path) && checkPoint()) {
        std::printf("%s\n", url.c_str());
        engine->downloadTask(url, path, &downloaded, &totalSize, connections_);
        std::fputs("00000000000000000000000000000000000000000000000", stdout);
        // Success is judged by the target alone, as the program does.
        if (exist(0)) {
            popHead();
        } else if (!stopRequested()) {
            std::printf("网络中断，等待重连...\n");
            std::fflush(stdout);
            sleepUnlessStopped(retryDelayMs_);
        }
    }
    if (onFinish && !stopRequested())
        onFinish(onFinishData_);
    return nullptr;
}
