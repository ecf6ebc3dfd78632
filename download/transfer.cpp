#include "download/transfer.h"

#include "download/download_plan.h"
#include "download/downloading_down_thread.h"
#include "download/output_naming.h"
#include "segfetch/segfetch.h"

#include <QFileInfo>
#include <QMetaObject>

namespace {

// The stream's parts over HTTP: one DownloadHelper per unfinished part,
// run one after another by the download worker.
class HttpTransfer : public Transfer {
public:
    HttpTransfer(QStringList urls, QStringList paths, unsigned retryDelayMs)
        : m_urls(std::move(urls)), m_paths(std::move(paths)), m_retryDelayMs(retryDelayMs) {}
    ~HttpTransfer() override { stop(); }

    bool start() override {
        stop();
        m_failure = {};
        m_bytesAtStart = bytesOnDisk(m_paths);
        // Parts complete on disk are not fetched again; the run begins at
        // the first unfinished one.
        int first = 0;
        while (first < m_paths.size() && partFinished(m_paths.at(first)))
            ++first;
        if (first == m_paths.size()) {
            QMetaObject::invokeMethod(
                this, [this] { emit emitDownOK(1); }, Qt::QueuedConnection);
            return true;
        }
        m_first = first;
        const QStringList urls = m_urls.mid(first);
        const QStringList paths = m_paths.mid(first);
        bool allQueued = false;
        m_helpers = makeHelpers(urls, paths, &allQueued);
        if (!allQueued || m_helpers.isEmpty()) {
            clearHelpers();
            m_failure = {TaskFailure::Transfer, "Add DownloadTask error!"};
            return false;
        }
        if (m_retryDelayMs != 0) {
            for (DownloadHelper* helper : m_helpers)
                helper->setRetryDelay(m_retryDelayMs);
        }
        m_worker = std::make_unique<DownloadingDownThread>();
        connect(m_worker.get(), &DownloadingDownThread::emitDownOK, this, [this](int state) {
            if (state < 0)
                m_failure = failedPart();
            emit emitDownOK(state);
        });
        m_worker->setDownloaders(m_helpers);
        m_worker->setTargetPaths(paths);
        m_worker->start();
        return true;
    }

    bool canPause() const override { return true; }

    void pause() override {
        for (DownloadHelper* helper : m_helpers)
            helper->Suspend();
    }

    void resume() override {
        for (DownloadHelper* helper : m_helpers)
            helper->Resume();
    }

    void stop() override {
        if (m_worker) {
            // Whatever the worker still reports belongs to no run.
            disconnect(m_worker.get(), nullptr, this, nullptr);
            m_worker->abort(true);
            for (DownloadHelper* helper : m_helpers) {
                helper->Resume();
                helper->stopDownload();
            }
            m_worker->waitFinished();  // prompt: every part has been told to end
            m_worker.reset();
        }
        clearHelpers();
    }

    Progress progress() const override {
        Progress progress{m_bytesAtStart};
        for (const DownloadHelper* helper : m_helpers) {
            if (const auto* counter = helper->downloaded.load())
                progress.bytes += counter->load();
        }
        return progress;
    }

    TaskFailure failure() const override { return m_failure; }

private:
    void clearHelpers() {
        qDeleteAll(m_helpers);
        m_helpers.clear();
    }

    // The reason of the part whose run failed: segfetch's own words, status
    // and system error, which part it was and whether bytes of it are on
    // disk. A run whose length probe failed reports no kept parts, so the
    // disk is asked as well.
    TaskFailure failedPart() const {
        for (int i = 0; i < m_helpers.size(); ++i) {
            const DownloadHelper* helper = m_helpers.at(i);
            const FetchResult result = helper->lastResult();
            if (result.ok() || result.outcome == FetchOutcome::NotRun)
                continue;
            const QString reason = QString::fromStdString(result.reason);
            TaskFailure failure{TaskFailure::Transfer,
                                reason.isEmpty() ? "The download failed." : reason, 0,
                                int(result.httpStatus), result.systemError};
            failure.part = m_first + i;
            failure.partKept = result.partsKept || bytesOnDisk({m_paths.at(failure.part)}) > 0;
            const std::int64_t planned = helper->totalSize.load();
            failure.partLength = planned > 1 ? planned : 0;  // 1: the probe never answered
            return failure;
        }
        return {TaskFailure::Transfer, "The download failed."};
    }

    const QStringList m_urls;
    const QStringList m_paths;
    const unsigned m_retryDelayMs;
    qint64 m_bytesAtStart = 0;
    int m_first = 0;  // the index of the first part this run fetches
    QList<DownloadHelper*> m_helpers;
    std::unique_ptr<DownloadingDownThread> m_worker;
    TaskFailure m_failure;
};

// One RTMP stream through the download worker's RTMP mode. It cannot pause
// and cannot resume: a new run starts the stream over.
class RtmpTransfer : public Transfer {
public:
    RtmpTransfer(std::string url, std::string playPath, QString target)
        : m_url(std::move(url)), m_playPath(std::move(playPath)), m_target(std::move(target)) {}
    ~RtmpTransfer() override { stop(); }

    bool start() override {
        stop();
        m_failure = {};
        m_worker = std::make_unique<DownloadingDownThread>();
        connect(m_worker.get(), &DownloadingDownThread::emitDownOK, this, [this](int state) {
            if (state < 0) {
                const QString reason = QString::fromStdString(m_worker->rtmpReason());
                m_failure = {TaskFailure::Transfer,
                             reason.isEmpty() ? "The RTMP stream could not be downloaded." : reason,
                             m_worker->rtmpResult()};
            }
            emit emitDownOK(state);
        });
        m_worker->setRtmpRequest(m_url, m_playPath, m_target);
        m_worker->start();
        return true;
    }

    bool canPause() const override { return false; }
    void pause() override {}
    void resume() override {}

    void stop() override {
        if (!m_worker)
            return;
        disconnect(m_worker.get(), nullptr, this, nullptr);
        m_worker->abort(true);  // the library returns at once
        m_worker->waitFinished();
        m_worker.reset();
    }

    Progress progress() const override {
        if (!m_worker)
            return {};
        const RtmpProgress progress = m_worker->getRtmpProgress();
        return {progress.bytes, progress.percent};
    }

    TaskFailure failure() const override { return m_failure; }

private:
    const std::string m_url;
    const std::string m_playPath;
    const QString m_target;
    std::unique_ptr<DownloadingDownThread> m_worker;
    TaskFailure m_failure;
};

}  // namespace

std::unique_ptr<Transfer> makeHttpTransfer(const QStringList& urls, const QStringList& paths,
                                           unsigned retryDelayMs) {
    return std::make_unique<HttpTransfer>(urls, paths, retryDelayMs);
}

std::unique_ptr<Transfer> makeRtmpTransfer(const std::string& url, const std::string& playPath,
                                           const QString& target) {
    return std::make_unique<RtmpTransfer>(url, playPath, target);
}

bool partFinished(const QString& path) {
    if (!QFileInfo::exists(path))
        return false;
    for (const QString& segment : naming::segmentFiles(path)) {
        if (QFileInfo::exists(segment))
            return false;
    }
    return true;
}

qint64 bytesOnDisk(const QStringList& paths) {
    qint64 bytes = 0;
    for (const QString& path : paths) {
        if (partFinished(path)) {
            bytes += QFileInfo(path).size();
            continue;
        }
        for (const QString& segment : naming::segmentFiles(path))
            bytes += QFileInfo(segment).size();
    }
    return bytes;
}
