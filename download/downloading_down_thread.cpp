#include "download/downloading_down_thread.h"
#include "core/log_category.h"

#include <QDebug>
#include <QFileInfo>

#include <atomic>

#include "download/output_naming.h"
#include "download/task_failure.h"
#include "download/transfer.h"
#include "segfetch/segfetch.h"

namespace {

// A part is done when its run wrote the target complete. A file under the
// target's name counts only for a helper with nothing left to do (its task
// finished in an earlier run): after a failed run it is an older file.
bool partDone(const DownloadHelper* helper, const QString& target) {
    const FetchResult result = helper->lastResult();
    return result.ok() || (result.outcome == FetchOutcome::NotRun && QFileInfo::exists(target));
}

// A part partly on disk whose address the server refuses (see
// TaskFailure::refusesTheAddress) is not asked again: the same address
// answers the same, and the owner looks for a new one.
bool addressRefused(const DownloadHelper* helper, const QString& target) {
    const FetchResult result = helper->lastResult();
    return result.outcome == FetchOutcome::HttpError &&
           TaskFailure::refusesTheAddress(result.httpStatus) &&
           (result.partsKept || bytesOnDisk({target}) > 0);
}

}  // namespace

DownloadingDownThread::DownloadingDownThread(QObject* parent) : QObject(parent) {}

DownloadingDownThread::~DownloadingDownThread() {
    waitFinished();
}

void DownloadingDownThread::setDownloaders(const QList<DownloadHelper*>& downloaders) {
    m_downloaders = downloaders;
}

void DownloadingDownThread::setTargetPaths(const QStringList& paths) {
    std::lock_guard lock(m_pathsMutex);
    m_targetPaths = paths;
}

void DownloadingDownThread::setTargetPathsAndClean(const QStringList& paths) {
    m_removeTemps = true;
    setTargetPaths(paths);
}

void DownloadingDownThread::setRtmpRequest(const std::string& url, const std::string& playPath,
                                           const QString& target) {
    m_rtmpMode = true;
    m_rtmpUrl = url;
    m_rtmpPlayPath = playPath;
    m_rtmpPath = target;
}

RtmpProgress DownloadingDownThread::getRtmpProgress() const {
    RtmpProgress copy;
    copy.bytes = __atomic_load_n(&m_rtmpProgress.bytes, __ATOMIC_RELAXED);
    copy.percent = std::atomic_ref<const double>(m_rtmpProgress.percent).load();
    return copy;
}

std::string DownloadingDownThread::rtmpReason() const {
    std::lock_guard lock(m_reasonMutex);
    return m_rtmpReason;
}

void DownloadingDownThread::abort(bool state) {
    if (m_rtmpMode) {
        m_rtmpAborted = true;
        m_stopPending = false;
        qCDebug(clipwrightLog) << "RtmpClose return:" << RtmpClose();
    }
    m_stopPending = state;
}

QString DownloadingDownThread::targetAt(int index, bool* present) const {
    std::lock_guard lock(m_pathsMutex);
    *present = index < m_targetPaths.size();
    return *present ? m_targetPaths.at(index) : QString();
}

void DownloadingDownThread::run() {
    m_running = true;
    m_rtmpAborted = false;
    const bool ok = m_rtmpMode ? downloadRtmp() : downloadHttp();
    // An aborted RTMP download was given up by the owner: nothing to report.
    if (!(m_rtmpMode && m_rtmpAborted.load()))
        emit emitDownOK(ok ? 1 : -1);
    m_running = false;
}

bool DownloadingDownThread::downloadRtmp() {
    m_rtmpRequest = RtmpRequest{m_rtmpUrl.c_str(), m_rtmpPlayPath.c_str(), 0, 0};
    __atomic_store_n(&m_rtmpProgress.bytes, 0, __ATOMIC_RELAXED);
    std::atomic_ref<double>(m_rtmpProgress.percent).store(0.0);
    const QByteArray target = m_rtmpPath.toUtf8();
    m_rtmpResult = RtmpDownload(&m_rtmpRequest, target.constData(), &m_rtmpProgress);
    {
        std::lock_guard lock(m_reasonMutex);
        m_rtmpReason = RtmpLastReason();  // this thread's, read before its next download
    }
    return m_rtmpResult == kRtmpOk;
}

bool DownloadingDownThread::downloadHttp() {
    if (m_downloaders.isEmpty())
        return false;
    bool ok = false;
    for (int i = 0; i < m_downloaders.size(); ++i) {
        DownloadHelper* helper = m_downloaders.at(i);
        if (!m_removeTemps) {
            ok = helper->startDownload();
            helper->join();
        }
        if (m_removeTemps) {
            removeTemps();
            return false;
        }
        bool present = false;
        const QString target = targetAt(i, &present);
        if (!present)
            return false;
        if (m_stopPending.exchange(false))
            return true;
        if (!partDone(helper, target) && !addressRefused(helper, target)) {
            // One more run resumes from the part files the first one left.
            ok = helper->startDownload();
            helper->join();
            if (m_removeTemps) {
                removeTemps();
                return false;
            }
            if (m_stopPending.exchange(false))
                return true;
        }
        if (!partDone(helper, target))
            return false;
    }
    return ok;
}

void DownloadingDownThread::removeTemps() {
    m_removeTemps = false;
    QStringList targets;
    {
        std::lock_guard lock(m_pathsMutex);
        targets = m_targetPaths;
    }
    naming::removeTaskFiles(targets);
    qCDebug(clipwrightLog) << "%%%%%%%%%%%%%%%%%%%%%%% removeTemp";
}
