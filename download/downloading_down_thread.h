// The download worker of one task: fetches the stream's parts one after
// another, each with its own DownloadHelper, or one RTMP stream, and
// reports 1 (done, or a stop acknowledged) or -1 in emitDownOK. A part is
// done when segfetch reports its target written, not merely when a file of
// that name exists.
//
// The owner (on its own thread) sets the work, starts the worker, pauses
// and resumes the helpers itself, and stops with abort(): in HTTP mode the
// worker leaves its loop when the current part's run returns; in RTMP mode
// RtmpClose makes the library return promptly. The thread is never killed.
#pragma once

#include "download/qutil_thread.h"
#include "rtmp/rtmp_download.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <atomic>
#include <mutex>
#include <string>

class DownloadHelper;

class DownloadingDownThread : public QObject, public QUtilThread {
    Q_OBJECT
public:
    explicit DownloadingDownThread(QObject* parent = nullptr);
    // Waits for the thread; the helpers belong to the owner.
    ~DownloadingDownThread() override;

    // One helper per part, each holding its part's task; owned by the owner,
    // who keeps them alive while the worker runs.
    void setDownloaders(const QList<DownloadHelper*>& downloaders);
    void setTargetPaths(const QStringList& paths);
    // Also asks the worker to delete the targets and their segment files
    // when its current part returns (instead of going on).
    void setTargetPathsAndClean(const QStringList& paths);
    // RTMP mode: the stream (strings copied) and the target file.
    void setRtmpRequest(const std::string& url, const std::string& playPath, const QString& target);
    bool isRtmp() const { return m_rtmpMode; }
    RtmpProgress getRtmpProgress() const;
    // The last RtmpDownload's result (an RtmpResult), kRtmpOk before any,
    // and why it failed in words for a user (empty after success).
    int rtmpResult() const { return m_rtmpResult.load(); }
    std::string rtmpReason() const;

    // RTMP mode: makes the download give up at once (no emitDownOK follows).
    // Both modes: sets the stop flag, which the HTTP loop acknowledges by
    // clearing it and emitting 1.
    void abort(bool state);
    bool isStopPending() const { return m_stopPending.load(); }
    bool isRunning() const { return m_running.load(); }
    void setRunning(bool running) { m_running = running; }

signals:
    void emitDownOK(int state);

protected:
    void run() override;

private:
    bool downloadHttp();
    bool downloadRtmp();
    void removeTemps();
    QString targetAt(int index, bool* present) const;

    QString m_rtmpPath;
    std::atomic<bool> m_stopPending{false};
    std::atomic<bool> m_removeTemps{false};
    std::atomic<bool> m_running{false};
    std::atomic<bool> m_rtmpAborted{false};
    std::atomic<int> m_rtmpResult{kRtmpOk};
    mutable std::mutex m_reasonMutex;  // written by the worker, read by the owner
    std::string m_rtmpReason;
    QList<DownloadHelper*> m_downloaders;
    mutable std::mutex m_pathsMutex;  // the owner may replace the paths while run() reads them
    QStringList m_targetPaths;
    bool m_rtmpMode = false;
    std::string m_rtmpUrl;
    std::string m_rtmpPlayPath;
    RtmpRequest m_rtmpRequest{};
    RtmpProgress m_rtmpProgress{};
};
