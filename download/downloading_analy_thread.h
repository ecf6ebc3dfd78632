// The analysis and combining worker of one download task.
//
// Analysis: hands the page URL to the site-script engine, retries up to
// four more times while the result is empty, and delivers the record and
// the engine handle in emitAnalysisOK; from then on the receiver owns the
// record (FreeVideoInfo) and closes the handle.
//
// Combining: turns the downloaded parts into the output file (renames a
// single part, or lets the engine join several) and reports 0 or -1 in
// emitCombinFinish. A failed join keeps every downloaded part.
//
// The owner calls every member on its own thread. Hold, release and
// abandon never stop the worker's thread inside an engine call: a held
// worker waits at its next check point, an abandoned one delivers nothing
// and ends on its own.
#pragma once

#include "download/hls_task.h"
#include "download/qutil_thread.h"
#include "sitescript/sitescript.h"

#include <QList>
#include <QMetaType>
#include <QObject>
#include <QString>
#include <QStringList>

#include <condition_variable>
#include <mutex>
#include <string>

Q_DECLARE_METATYPE(VideoInfo*)
Q_DECLARE_METATYPE(const ISiteScript*)

class DownloadingAnalyThread : public QObject, public QUtilThread {
    Q_OBJECT
public:
    // Attempts of AnalyseUrl per analysis: the first and four retries.
    static constexpr int kMaxAttempts = 5;

    explicit DownloadingAnalyThread(QObject* parent = nullptr);
    ~DownloadingAnalyThread() override;

    // Makes the worker's pointer types known to queued connections. Called
    // by the constructor; harmless to call again.
    static void registerMetaTypes();

    void setUrl(const QString& url) { m_url = url; }
    void setMergeHandle(const ISiteScript* handle) { m_mergeHandle = handle; }
    // The credentials a login request receives. Called by the receiver of
    // showLoginDlg() while the worker waits for it, or before start().
    void setCredentials(const QString& userName, const QString& password);
    // Arms a combine of `parts` into `outputPath` and starts the worker.
    void startCombine(const QString& outputPath, const QStringList& parts);

    // Holds a running analysis at its next check point (between engine
    // calls, and before its result is delivered) until release().
    void hold();
    void release();
    bool isHeld() const;
    // Drops the worker: its signals are disconnected, a running job
    // delivers nothing (a finished analysis's record is freed here), and
    // the object deletes itself once its thread has ended. The owner must
    // not touch the object afterwards. No abandoned worker outlives the
    // application object: its destruction waits for them.
    void abandon();

    // The container type probed from the first part of the last combine.
    int fileType() const { return m_fileType; }

    // Why the last analysis or combine ended as it did, taken from the
    // engine on the worker's thread before its result was delivered.
    struct Reason {
        int kind = ReasonNone;  // a SiteScriptReasonKind
        int httpStatus = 0;
        int systemError = 0;
        QString text;  // empty when the job succeeded
    };
    Reason lastReason() const;

    // For an analysis that found an HLS playlist: what it offers, loaded
    // before emitAnalysisOK and read by its receiver.
    const HlsOffer& hlsOffer() const { return m_hlsOffer; }

signals:
    void showLoginDlg();
    void emitbeginAnaly();
    void emitCombinFinish(int state);
    void emitAnalysisOK(VideoInfo* info, int state, QList<qint64> sizes,
                        const ISiteScript* plugins);

protected:
    void run() override;

private:
    static int loginCallback(const char16_t** userName, const char16_t** password,
                             std::intptr_t context);
    void analyse();
    void loadHlsOffer(const VideoInfo* result);
    int combine();
    int combineParts();
    // Waits while held; false once the worker was abandoned.
    bool checkPoint();
    bool abandoned() const;
    void takeEngineReason();
    void setReason(int kind, const QString& text, int systemError = 0);

    QString m_url;
    QList<qint64> m_sizes;
    HlsOffer m_hlsOffer;
    VideoInfo* m_result = nullptr;
    const ISiteScript* m_mergeHandle = nullptr;
    bool m_combineMode = false;
    QString m_outputPath;
    QString m_secondInput;
    QString m_workPath;
    QStringList m_parts;
    // Set by the owner under m_mutex; the login callback answers the
    // engine from the copies below, which only the worker thread touches.
    std::u16string m_userName;
    std::u16string m_password;
    std::u16string m_loginName;
    std::u16string m_loginPassword;
    int m_fileType = -1;
    Reason m_reason;  // under m_mutex

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_held = false;
    bool m_abandoned = false;
};
