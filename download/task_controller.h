// The road of one download task, from the page address to the finished
// file: the analysis with its retries and login request, the offered
// streams, the names of the output and part files, the transfer (the
// stream's parts over HTTP, or RTMP), progress, pause, resume, refresh,
// discard, and combining the parts. When the server refuses the address
// of a part that is partly on disk (it expired), the page is analysed
// again, once, and the transfer goes on from the part files under the new
// address if the stream has the same length. The Downloading list's row
// (VideoProgressBar) is a view of it, and `clipwright-cli get` runs it
// without a window.
//
// Threads: the controller lives on one thread that runs a Qt event loop
// (the GUI thread, or the command line's), and every member is called
// there. Its workers run on threads of their own and report through queued
// signals. Questions for the user are signals that a view answers:
// loginRequested() with setCredentials() before returning (the analysis
// waits meanwhile), streamsOffered() with chooseStream(), now or later.
//
// Ownership: the controller owns its workers and the engine's records. When
// it is destroyed, the transfer is stopped and its thread joined; a running
// analysis delivers nothing and its worker ends on its own (see
// DownloadingAnalyThread::abandon). The task's files stay on disk.
#pragma once

#include "download/download_plan.h"
#include "download/task_failure.h"
#include "download/task_record.h"
#include "sitescript/sitescript.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <memory>

class DownloadingAnalyThread;
class Transfer;

// The task record: what the row shows and the task list file keeps.
struct TaskRecord {
    QString url;  // the page address: the task's identity
    TaskState state = Waiting;
    QString title;        // the cleaned title
    QString fileExt;      // the stream's format, used as extension
    QString saveDir;      // the folder chosen for the download
    QString filePath;     // the final output file
    QString displayName;  // the output's name as shown
    QStringList downloadUrls;
    QStringList partPaths;      // one per download URL; a single stream's part is the output
    qint64 totalSize = 0;       // expected bytes, 0 when unknown
    qint64 lastReceived = 0;    // bytes at the last progress tick
    qint64 resumeBase = 0;      // bytes on disk when the task was restored
    bool noResume = false;      // the stream cannot be paused or resumed (RTMP)
    bool canReanalyse = false;  // Refresh analyses the page again
    bool canRestart = false;    // Refresh starts the transfer again from the part files
    // An HLS task: the variant of the playlist downloadUrls[0] to fetch
    // (-1 for a media playlist); StoredTask::kNotHls otherwise.
    int hlsVariant = StoredTask::kNotHls;
    bool isHls() const { return hlsVariant != StoredTask::kNotHls; }
};

// One progress report: what the row's bar and text show, once a second
// while the transfer runs.
struct TaskProgress {
    enum Style {
        Sized,     // "%1/%2 - %3/s"
        Unsized,   // an RTMP stream: "Recive:%1,Total:unknown - %2/s"
        Restored,  // a restored task before its first start: "%1MB/%2MB - 0kb/s"
    };
    Style style = Sized;
    qint64 bytes = 0;    // bytes of the stream on disk
    qint64 total = 0;    // expected total, 0 when unknown
    qint64 speed = 0;    // bytes since the previous report
    double percent = 0;  // 0 to 100
    QString text() const;
};

class TaskController : public QObject {
    Q_OBJECT
public:
    explicit TaskController(QObject* parent = nullptr);
    ~TaskController() override;

    // Where a task starts; one of the three, once.
    // A new task: analyses `url` at once.
    void startAnalysis(const QString& url);
    // A stored task without progress: Failed, and Refresh analyses it.
    void setFailedUrl(const QString& url);
    // A stored task with its parts: paused, and the first resume continues
    // from the part files on disk. A task without parts, or whose lists
    // differ in length, comes back Failed with Refresh analysing it.
    void restoreTask(const StoredTask& task);

    // The credentials the analysis gives a site's login request. A view
    // answering loginRequested() calls it before returning; the command
    // line sets them before the start.
    void setCredentials(const QString& userName, const QString& password);
    // Answers streamsOffered(): the chosen row of streams(), or -1 to
    // cancel, and the folder to save into (created when missing).
    void chooseStream(int row, const QString& folder);

    // Analyzing becomes AnalysisPaused (the analysis is held at its next
    // check point), Downloading becomes DownloadPaused (only for a transfer
    // that can pause: see record().noResume); a queued task leaves the
    // queue as DownloadPaused.
    void pause();
    // The reverse of pause(); a restored task starts its transfer here.
    void resume();
    // For a Failed task: analyses the page again, or restarts the
    // transfer, which continues from the part files. A task whose stream
    // address expired analyses its page for a new address and continues
    // from the part files with it (see TaskFailure::addressExpired).
    void refresh();
    // Gives up a transfer that cannot pause: stops it, removes its output
    // and leaves the task Failed without Refresh.
    void cancel();
    // Stops everything and removes the task's output and part files.
    void discard();
    // Stops everything before the program quits; the part files stay for a
    // later resume (an RTMP task's partial output is removed).
    void shutdown();
    // While held, a task whose stream is chosen, or that is resumed, waits
    // in Waiting instead of transferring; releasing the hold lets it go on.
    // For a queue that limits how many tasks transfer at once (TaskQueue).
    void setStartHeld(bool held);
    // Asked whenever the transfer would start or resume: false keeps the
    // task waiting in Waiting until startQueued(). A queue's limit; empty
    // (the default) lets every task go on.
    void setStartGate(std::function<bool()> gate) { m_startGate = std::move(gate); }
    // True while the task waits for the hold or the gate: Waiting with its
    // transfer ready to start or to resume.
    bool isQueued() const { return state() == Waiting && m_startPending; }
    // Lets a queued task go on now, whatever the hold and the gate say; they
    // stay in force for its next start.
    void startQueued();

    // The wait before segfetch tries a failed part again; 0 (the default)
    // keeps segfetch's own.
    void setRetryDelay(unsigned milliseconds) { m_retryDelayMs = milliseconds; }

    const TaskRecord& record() const { return m_record; }
    TaskState state() const { return m_record.state; }
    bool isBusy() const { return state() == Analyzing || state() == Downloading; }
    bool isPaused() const { return state() == AnalysisPaused || state() == DownloadPaused; }
    // True once finished() was emitted: the output is complete and the task
    // transfers nothing any more (its state stays as it was).
    bool isDone() const { return m_done; }
    // Transferring or combining now: what a queue counts against its limit.
    bool holdsASlot() const { return state() == Downloading && !m_done; }
    // The offered streams while streamsOffered() waits for its answer.
    QList<StreamChoice>& streams() { return m_streams; }
    const TaskFailure& failure() const { return m_failure; }
    const TaskProgress& progress() const { return m_progress; }
    // What "downloadtasklist.xml" keeps of the task now (sizes 0 for a
    // task that cannot resume).
    StoredTask storedTask() const;

signals:
    void stateChanged(TaskState state);
    // Names, paths or sizes of the record changed.
    void recordChanged();
    // A site asks for credentials: answer with setCredentials() before
    // returning. Unanswered, the credentials set earlier are used.
    void loginRequested();
    // The analysis found streams(): answer with chooseStream().
    void streamsOffered();
    void progressChanged(const TaskProgress& progress);
    // The task entered Failed; failure() says why.
    void failed(const TaskFailure& failure);
    // A message for the user's attention (a message box in the GUI).
    void notice(const QString& message, const QString& title);
    // The task's progress should be written to the task list now (its
    // transfer started or was paused), so that a crash loses nothing.
    void progressWorthSaving();
    // The output file is complete.
    void finished(const QString& filePath);

public slots:
    // The analysis worker's result; the record and handle are released here.
    void AnalysisOK(VideoInfo* info, int state, QList<qint64> sizes, const ISiteScript* handle);
    // The transfer's result: 1 done, -1 failed.
    void downOK(int state);
    // The combine's result: 0 done, -1 failed.
    void combinOK(int state);
    // The progress tick, once a second while the transfer runs.
    void timerDone();

private:
    void setState(TaskState state);
    void fail(TaskFailure failure, bool canReanalyse, bool canRestart);
    void ensureAnalysisThread();
    void abandonAnalysis();
    void onLoginRequested();
    void applyPlan(const DownloadPlan& plan, const QString& folder);
    bool offerHlsVariants();
    bool planHls(int row, const QString& folder, DownloadPlan* plan);
    void startTransfer();
    bool mayLookForNewAddress(const TaskFailure& failure) const;
    void lookForNewAddress(const TaskFailure& expired);
    void onNewAddressAnalysed(int state, const VideoInfo* info, const QList<qint64>& sizes);
    void continueWithNewAddress(const QStringList& urls);
    bool mustWait() const;
    void goOn();
    void resumeTransfer();
    std::unique_ptr<Transfer> makeTransfer() const;
    void stopTransfer();
    void startCombine();
    void finish();
    void removeNoResumeOutput();

    TaskRecord m_record;
    QList<StreamChoice> m_streams;
    AnalysedStream m_analysed;  // the stream on offer, kept until it is chosen
    QList<int> m_hlsVariants;   // for an HLS stream: the variant of each offered row
    bool m_offerPending = false;
    std::string m_rtmpUrl;
    std::string m_rtmpPlayPath;
    int m_partCounter = 1;
    QString m_userName;
    QString m_password;
    unsigned m_retryDelayMs = 0;  // 0: segfetch's own
    bool m_startHeld = false;
    bool m_startPending = false;  // held back in Waiting
    bool m_startGranted = false;  // startQueued() is letting the task go on
    std::function<bool()> m_startGate;
    bool m_combining = false;
    // The analysis running now looks for a new address of the stream whose
    // address expired (m_expired says how); no stream is offered then.
    bool m_readdressing = false;
    TaskFailure m_expired;
    // A new address was tried since the last stream choice or Refresh, and
    // the part files held m_bytesAtReaddress when the transfer went on with
    // it: a failure that brought no byte more does not look again.
    bool m_readdressed = false;
    qint64 m_bytesAtReaddress = 0;
    bool m_done = false;
    TaskFailure m_failure;
    TaskProgress m_progress;
    DownloadingAnalyThread* m_analysis = nullptr;
    std::unique_ptr<Transfer> m_transfer;
    QTimer m_timer;
};
