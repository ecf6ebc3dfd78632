#include "download/task_controller.h"
#include "core/log_category.h"

#include "download/downloading_analy_thread.h"
#include "download/hls_task.h"
#include "download/output_naming.h"
#include "download/transfer.h"
#include "platform/text.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>

#include <cerrno>

namespace {

constexpr int kTickMs = 1000;

QString sizeText(qint64 bytes) {
    return QString::fromStdString(platform::formatSize(bytes));
}

QString analysisFailureText(int status) {
    if (status == AnalyseLoginFailed)
        return "The site refused the login.";
    if (status == AnalyseFailed)
        return "The page could not be analysed.";
    return QString("The site script ended with status %1.").arg(status);
}

// Why the analysis with the result `state` and `info` offers nothing to
// download: the engine's reason, else a sentence of our own.
TaskFailure analysisFailure(int state, const VideoInfo* info,
                            const DownloadingAnalyThread::Reason& reason) {
    TaskFailure failure{TaskFailure::Analysis, reason.text, state, reason.httpStatus,
                        reason.systemError};
    if (failure.text.isEmpty()) {
        if (state != 0 || !info)
            failure.text = analysisFailureText(state);
        else if (info->kind != StreamKindHttp && info->kind != StreamKindRtmp)
            failure.text = "The page offers no stream that can be downloaded.";
    }
    return failure;
}

// An analysis that ended well but resolved no stream (no URL and no parts),
// or one of no kind that can be downloaded, is a failure: there is nothing
// to choose.
bool offersAStream(const VideoInfo& info) {
    return (info.url || info.parts) && (info.kind == StreamKindHttp || info.kind == StreamKindRtmp);
}

// The start of the sentence that tells why a task with an expired stream
// address failed.
QString expiryText(const TaskFailure& expired) {
    return QString("The stream's address expired (HTTP %1)").arg(expired.httpStatus);
}

void removeFile(const QString& path) {
    if (QFile::exists(path) && !QFile::remove(path))
        qCDebug(clipwrightLog, "remove file failed");
}

}  // namespace

QString TaskProgress::text() const {
    switch (style) {
        case Unsized:
            return QString("Recive:%1,Total:unknown - %2/s").arg(sizeText(bytes), sizeText(speed));
        case Restored:
            return QString("%1MB/%2MB - %4kb/s").arg(bytes >> 20).arg(total >> 20).arg(0);
        case Sized:
            break;
    }
    return QString("%1/%2 - %3/s").arg(sizeText(bytes), sizeText(total), sizeText(speed));
}

TaskController::TaskController(QObject* parent) : QObject(parent) {
    DownloadingAnalyThread::registerMetaTypes();
    connect(&m_timer, &QTimer::timeout, this, &TaskController::timerDone);
}

TaskController::~TaskController() {
    abandonAnalysis();
    stopTransfer();
}

// ---- state ----

void TaskController::setState(TaskState state) {
    m_record.state = state;
    emit stateChanged(state);
}

// The Refresh flags say what Refresh does next; a transfer's failure keeps
// its part files and restarts from them, whatever an earlier analysis did.
void TaskController::fail(TaskFailure failure, bool canReanalyse, bool canRestart) {
    m_failure = std::move(failure);
    m_record.canReanalyse = canReanalyse;
    m_record.canRestart = canRestart;
    setState(Failed);
    emit failed(m_failure);
}

StoredTask TaskController::storedTask() const {
    StoredTask task{m_record.url,          m_record.downloadUrls, m_record.partPaths,
                    m_record.lastReceived, m_record.totalSize,    m_record.hlsVariant};
    if (m_record.noResume)
        task.receivedSize = task.totalSize = 0;
    return task;
}

// ---- analysis ----

void TaskController::ensureAnalysisThread() {
    if (m_analysis)
        return;
    m_analysis = new DownloadingAnalyThread;
    m_analysis->setUrl(m_record.url);
    m_analysis->setMergeHandle(CreateSiteScriptHandle());
    // The worker waits in its login callback until this slot has returned.
    connect(m_analysis, &DownloadingAnalyThread::showLoginDlg, this,
            &TaskController::onLoginRequested, Qt::BlockingQueuedConnection);
    connect(m_analysis, &DownloadingAnalyThread::emitAnalysisOK, this, &TaskController::AnalysisOK);
    connect(m_analysis, &DownloadingAnalyThread::emitCombinFinish, this, &TaskController::combinOK);
}

void TaskController::abandonAnalysis() {
    if (!m_analysis)
        return;
    m_analysis->abandon();  // never waits: the worker ends on its own
    m_analysis = nullptr;
    m_combining = false;
    m_readdressing = false;
}

void TaskController::startAnalysis(const QString& url) {
    m_record.url = url;
    emit recordChanged();
    ensureAnalysisThread();
    setState(Analyzing);
    m_analysis->start();
}

void TaskController::setFailedUrl(const QString& url) {
    m_record.url = url;
    emit recordChanged();
    fail({TaskFailure::Analysis, "Stopped before its download began."}, true, false);
}

void TaskController::setCredentials(const QString& userName, const QString& password) {
    m_userName = userName;
    m_password = password;
}

void TaskController::onLoginRequested() {
    auto* worker = qobject_cast<DownloadingAnalyThread*>(sender());
    if (!worker || worker != m_analysis)
        return;  // an abandoned analysis: it gets no credentials
    const QPointer<TaskController> alive(this);
    emit loginRequested();  // the view may run a dialog, and be closed meanwhile
    if (alive && worker == m_analysis)
        worker->setCredentials(m_userName, m_password);
}

void TaskController::AnalysisOK(VideoInfo* info, int state, QList<qint64> sizes,
                                const ISiteScript* handle) {
    const auto release = [&] {
        if (handle)
            handle->FreeVideoInfo(&info);
        CloseSiteScriptHandle();
    };
    if (sender() != m_analysis) {
        release();  // delivered after the analysis was abandoned
        return;
    }
    if (m_readdressing) {
        onNewAddressAnalysed(state, info, sizes);
        release();
        return;
    }
    if (state != 0 || !info || !offersAStream(*info)) {
        TaskFailure failure = analysisFailure(state, info, m_analysis->lastReason());
        release();
        fail(std::move(failure), true, false);
        if (state == AnalyseLoginFailed)
            emit notice("Login failed, Please check your user name or password!", "Login failed");
        return;
    }
    m_analysed = AnalysedStream::from(*info);
    release();
    m_record.totalSize = m_analysed.length;
    m_hlsVariants.clear();
    if (isHlsStream(m_analysed)) {
        if (!offerHlsVariants())
            return;
    } else {
        m_streams = {StreamChoice{naming::cleanTitle(m_analysed.name), m_analysed.format,
                                  sizes.value(0), false}};
    }
    m_offerPending = true;
    emit recordChanged();
    emit streamsOffered();
}

// The playlist's variants, which the analysis worker loaded, become the
// offered streams; false when the task failed instead.
bool TaskController::offerHlsVariants() {
    const HlsOffer& offer = m_analysis->hlsOffer();
    if (!offer.ok) {
        fail({TaskFailure::Analysis, "The playlist cannot be downloaded: " + offer.reason}, true,
             false);
        return false;
    }
    m_streams = offer.choices;
    m_hlsVariants = offer.variants;
    return true;
}

// An HLS task's files: the one MP4 output (remuxed from the segments in its
// work folder), fetched from the playlist address.
bool TaskController::planHls(int row, const QString& folder, DownloadPlan* plan) {
    AnalysedStream output = m_analysed;
    output.format = kHlsOutputExtension;
    output.partUrls.clear();
    return planDownload(output, folder, &m_partCounter, plan) == PlanResult::Ok &&
           row < m_hlsVariants.size();
}

void TaskController::chooseStream(int row, const QString& folder) {
    if (!m_offerPending)
        return;
    m_offerPending = false;
    if (row < 0 || row >= m_streams.size()) {
        fail({TaskFailure::Cancelled, "The stream choice was cancelled."}, true, false);
        return;
    }
    if (!QDir().mkpath(folder)) {
        fail({TaskFailure::Choice, QString("The folder %1 cannot be created.").arg(folder), 0, 0,
              errno},
             true, false);
        return;
    }
    DownloadPlan plan;
    const bool hls = !m_hlsVariants.isEmpty();
    const bool planned =
        hls ? planHls(row, folder, &plan)
            : planDownload(m_analysed, folder, &m_partCounter, &plan) == PlanResult::Ok;
    if (!planned) {
        fail({TaskFailure::Analysis, "The page offers no stream that can be downloaded."}, true,
             false);
        return;
    }
    applyPlan(plan, folder);
    if (hls) {
        m_record.hlsVariant = m_hlsVariants.at(row);
        m_record.totalSize = m_streams.at(row).size;  // estimated from the bandwidth
    }
    startTransfer();
}

void TaskController::applyPlan(const DownloadPlan& plan, const QString& folder) {
    m_record.saveDir = folder;
    m_record.title = plan.title;
    m_record.fileExt = plan.extension;
    m_record.filePath = plan.outputPath;
    m_record.displayName = plan.displayName;
    m_record.downloadUrls = plan.downloadUrls;
    m_record.partPaths = plan.partPaths;
    m_record.resumeBase = m_record.lastReceived = 0;
    m_record.noResume = plan.rtmp;
    m_record.hlsVariant = StoredTask::kNotHls;
    m_readdressed = false;
    m_rtmpUrl = plan.rtmpUrl;
    m_rtmpPlayPath = plan.rtmpPlayPath;
    emit recordChanged();
}

// ---- restored tasks ----

void TaskController::restoreTask(const StoredTask& task) {
    m_record.url = task.url;
    m_record.totalSize = task.totalSize;
    m_record.resumeBase = m_record.lastReceived = task.receivedSize;
    m_record.partPaths = task.partPaths;
    m_record.downloadUrls = task.downloadUrls;
    // A task saved when its download started has received nothing yet but
    // is resumable all the same; lists of different lengths (a hand-edited
    // file) are not.
    // An HLS task's size is an estimate, possibly unknown.
    const bool resumable = !task.partPaths.isEmpty() && (task.totalSize != 0 || task.isHls()) &&
                           task.partPaths.size() == task.downloadUrls.size() &&
                           (!task.isHls() || task.partPaths.size() == 1);
    if (!resumable) {
        emit recordChanged();
        fail({TaskFailure::Analysis, "Stopped before its download began."}, true, false);
        return;
    }
    m_record.filePath = naming::restoredOutputPath(task.partPaths);
    const QFileInfo output(m_record.filePath);
    m_record.saveDir = output.path();
    m_record.title = output.completeBaseName();
    m_record.fileExt = output.suffix();
    m_record.displayName = output.fileName();
    m_record.hlsVariant = task.hlsVariant;
    if (m_record.totalSize != 0)
        m_record.resumeBase = std::min(m_record.resumeBase, m_record.totalSize);
    m_record.canRestart = true;
    emit recordChanged();
    setState(DownloadPaused);
    const double percent =
        m_record.totalSize ? double(m_record.resumeBase) * 100.0 / double(m_record.totalSize) : 0;
    m_progress = {TaskProgress::Restored, m_record.resumeBase, m_record.totalSize, 0, percent};
    emit progressChanged(m_progress);
}

// ---- transfer ----

std::unique_ptr<Transfer> TaskController::makeTransfer() const {
    if (m_record.noResume)
        return makeRtmpTransfer(m_rtmpUrl, m_rtmpPlayPath, m_record.filePath);
    if (m_record.isHls())
        return makeHlsTransfer(m_record.downloadUrls.value(0), m_record.hlsVariant,
                               m_record.filePath);
    return makeHttpTransfer(m_record.downloadUrls, m_record.partPaths, m_retryDelayMs);
}

void TaskController::startTransfer() {
    if (mustWait()) {
        m_startPending = true;
        setState(Waiting);
        return;
    }
    m_startPending = false;
    qCDebug(clipwrightLog).noquote()
        << "++++++++++++++++++++++++++" << '"' + m_record.downloadUrls.value(0) + '"';
    m_transfer = makeTransfer();
    // Queued, so that the transfer is never deleted inside its own signal.
    connect(m_transfer.get(), &Transfer::emitDownOK, this, &TaskController::downOK,
            Qt::QueuedConnection);
    setState(Downloading);
    if (!m_transfer->start()) {
        TaskFailure failure = m_transfer->failure();
        m_transfer.reset();
        fail(failure, true, false);
        emit notice(failure.text, "Error");
        return;
    }
    qCDebug(clipwrightLog) << "Anylisis url total num is:" << m_record.downloadUrls.size();
    m_timer.start(kTickMs);
    emit progressWorthSaving();
}

void TaskController::stopTransfer() {
    m_timer.stop();
    m_startPending = false;
    m_transfer.reset();  // stops the run and joins its thread
}

void TaskController::setStartHeld(bool held) {
    m_startHeld = held;
    if (!held)
        startQueued();
}

void TaskController::startQueued() {
    if (!isQueued())
        return;
    m_startPending = false;
    m_startGranted = true;
    goOn();
    m_startGranted = false;
}

bool TaskController::mustWait() const {
    return !m_startGranted && (m_startHeld || (m_startGate && !m_startGate()));
}

// A queued task's way on: a transfer paused earlier resumes, otherwise one
// starts (from the part files on disk).
void TaskController::goOn() {
    if (m_transfer)
        resumeTransfer();
    else
        startTransfer();
}

void TaskController::resumeTransfer() {
    m_transfer->resume();
    setState(Downloading);
    m_timer.start(kTickMs);
}

void TaskController::timerDone() {
    if (!m_transfer)
        return;
    const Transfer::Progress now = m_transfer->progress();
    TaskProgress progress;
    const qint64 total = m_record.totalSize;
    if (m_record.noResume) {
        progress = {TaskProgress::Unsized, now.bytes, 0, now.bytes - m_record.lastReceived,
                    now.percent};
    } else if (m_record.isHls()) {
        // The size is the bandwidth's estimate; the segments counted say
        // how far the task is.
        progress = {TaskProgress::Sized, now.bytes, std::max(total, now.bytes),
                    std::max<qint64>(0, now.bytes - m_record.lastReceived),
                    double(int(std::max(0.0, now.percent)))};
    } else {
        const double percent = total ? int(double(now.bytes) * 100.0 / double(total)) : 0;
        const qint64 bytes = total ? std::min(now.bytes, total) : now.bytes;
        progress = {TaskProgress::Sized, bytes, total,
                    std::max<qint64>(0, bytes - m_record.lastReceived), percent};
    }
    m_record.lastReceived = progress.bytes;
    m_progress = progress;
    emit progressChanged(m_progress);
}

void TaskController::downOK(int state) {
    if (!m_transfer || sender() != m_transfer.get())
        return;   // from a run that was stopped meanwhile
    timerDone();  // the final figures, while the transfer can still tell them
    m_timer.stop();
    if (state < 0) {
        TaskFailure failure = m_transfer->failure();
        m_transfer.reset();
        removeNoResumeOutput();
        if (mayLookForNewAddress(failure)) {
            lookForNewAddress(failure);
            return;
        }
        if (failure.addressExpired() && m_readdressed)
            failure.text = expiryText(failure) +
                           " again at once under the page's new address; the part files are kept.";
        fail(failure, false, true);
        return;
    }
    m_transfer.reset();
    if (m_record.isHls()) {
        finish();  // the transfer's remux made the output
        return;
    }
    startCombine();
}

// ---- a new address for an expired one ----

// Only an HTTP stream's parts continue under another address, and only
// once per failure: when the transfer under a new address fails without a
// byte more on disk, the new address is no better than the old one.
bool TaskController::mayLookForNewAddress(const TaskFailure& failure) const {
    if (!failure.addressExpired() || m_record.noResume || m_record.isHls())
        return false;
    return !m_readdressed || bytesOnDisk(m_record.partPaths) > m_bytesAtReaddress;
}

// Analyses the page again on the analysis worker; its result goes to
// onNewAddressAnalysed() instead of a stream offer.
void TaskController::lookForNewAddress(const TaskFailure& expired) {
    qCDebug(clipwrightLog) << "the stream address expired, analysing the page again:"
                           << expired.text;
    m_expired = expired;
    m_readdressing = true;
    m_readdressed = true;
    ensureAnalysisThread();
    setState(Analyzing);
    m_analysis->start();
}

namespace {

// The addresses of the analysed stream's parts, one for a stream in one
// piece.
QStringList partAddresses(const AnalysedStream& stream) {
    return stream.partUrls.isEmpty() ? QStringList{stream.url} : stream.partUrls;
}

}  // namespace

// The part files fit the new stream when it has as many parts and the
// length the old one had: the task's total, or for a single part of
// unknown total the length its download was planned for. The part stamps
// still guard each part against a file that changed at equal length.
void TaskController::onNewAddressAnalysed(int state, const VideoInfo* info,
                                          const QList<qint64>& sizes) {
    m_readdressing = false;
    const TaskFailure expired = m_expired;
    const auto failWith = [&](const QString& why, bool startOver) {
        TaskFailure failure = expired;
        failure.text = expiryText(expired) + why;
        fail(std::move(failure), startOver, !startOver);
    };
    if (state != 0 || !info || !offersAStream(*info)) {
        const TaskFailure analysis = analysisFailure(state, info, m_analysis->lastReason());
        failWith(", and the page could not be analysed again: " + analysis.text, false);
        return;
    }
    const AnalysedStream stream = AnalysedStream::from(*info);
    const QStringList urls = partAddresses(stream);
    if (stream.kind != StreamKindHttp || isHlsStream(stream) ||
        urls.size() != m_record.downloadUrls.size()) {
        failWith(", and the page now offers another stream; the part files are kept.", true);
        return;
    }
    const qint64 expected =
        m_record.totalSize != 0 || urls.size() != 1 ? m_record.totalSize : expired.partLength;
    const qint64 length = sizes.value(0, stream.length);
    if (length == 0 || length != expected) {
        const QString lengths =
            length == 0
                ? QString("of unknown length")
                : QString("of another length (%1 bytes instead of %2)").arg(length).arg(expected);
        failWith(", and the page now offers a stream " + lengths + "; the part files are kept.",
                 true);
        return;
    }
    continueWithNewAddress(urls);
}

// The new addresses replace the old ones in the record, and so in the task
// list file, before the transfer goes on from the part files.
void TaskController::continueWithNewAddress(const QStringList& urls) {
    m_record.downloadUrls = urls;
    m_bytesAtReaddress = bytesOnDisk(m_record.partPaths);
    emit recordChanged();
    emit progressWorthSaving();
    startTransfer();
}

// ---- combining ----

void TaskController::finish() {
    m_done = true;
    emit finished(m_record.filePath);
}

void TaskController::startCombine() {
    // The parts may have taken the output's name meanwhile; the title gets
    // the next free number, as at the stream choice.
    if (m_record.partPaths.size() > 1 && QFileInfo::exists(m_record.filePath)) {
        int number = 0;
        m_record.filePath =
            naming::uniqueOutputPath(m_record.saveDir, m_record.title, m_record.fileExt, &number);
        m_record.displayName = naming::displayName(m_record.title, number, m_record.fileExt);
        emit recordChanged();
    }
    ensureAnalysisThread();
    m_combining = true;
    m_analysis->startCombine(m_record.filePath, m_record.partPaths);
}

void TaskController::combinOK(int state) {
    if (sender() != m_analysis)
        return;
    m_combining = false;
    if (state == 0) {
        finish();
        return;
    }
    // The pieces are kept: Refresh finds them complete and combines again.
    const DownloadingAnalyThread::Reason reason = m_analysis->lastReason();
    const QString why = reason.text.isEmpty() ? QString() : " " + reason.text;
    fail({TaskFailure::Combine, "The parts could not be combined; they are kept." + why, state, 0,
          reason.systemError},
         false, true);
}

// ---- buttons ----

void TaskController::pause() {
    if (isQueued()) {
        m_startPending = false;  // out of the queue until resumed
        setState(DownloadPaused);
        const qint64 total = m_record.totalSize;
        const qint64 bytes = m_record.lastReceived;
        m_progress = {TaskProgress::Restored, bytes, total, 0,
                      total ? double(bytes) * 100.0 / double(total) : 0};
        emit progressChanged(m_progress);
        emit progressWorthSaving();
        return;
    }
    if (state() == Analyzing) {
        setState(AnalysisPaused);
        if (m_analysis)
            m_analysis->hold();
        return;
    }
    if (state() != Downloading || !m_transfer || !m_transfer->canPause())
        return;
    m_timer.stop();
    m_transfer->pause();
    qCDebug(clipwrightLog, "pause");
    setState(DownloadPaused);
    emit progressWorthSaving();
}

void TaskController::resume() {
    if (state() == AnalysisPaused) {
        setState(Analyzing);
        if (m_analysis)
            m_analysis->release();
        return;
    }
    if (state() != DownloadPaused)
        return;
    if (mustWait()) {
        // Into the queue; a restored task's first start waits there too.
        m_startPending = true;
        setState(Waiting);
        return;
    }
    goOn();
}

void TaskController::refresh() {
    if (state() != Failed)
        return;
    if (m_record.canReanalyse) {
        m_record.canRestart = false;
        m_readdressing = false;
        ensureAnalysisThread();
        setState(Analyzing);
        m_analysis->start();
        return;
    }
    if (!m_record.canRestart)
        return;
    if (m_record.partPaths.isEmpty()) {
        emit notice("Can not restar thread!", "Error");
        return;
    }
    m_record.canRestart = false;
    m_readdressed = false;  // the user asks: one more look for a new address
    if (mayLookForNewAddress(m_failure)) {
        lookForNewAddress(m_failure);
        return;
    }
    startTransfer();
}

void TaskController::cancel() {
    stopTransfer();
    removeNoResumeOutput();
    fail({TaskFailure::Cancelled, "The download was cancelled."}, false, false);
}

void TaskController::discard() {
    m_offerPending = false;
    const bool combining = m_combining;
    if (combining) {
        // The join must not write the output after the files are gone.
        disconnect(m_analysis, nullptr, this, nullptr);
        m_analysis->waitFinished();
    }
    abandonAnalysis();
    stopTransfer();
    naming::removeTaskFiles(m_record.partPaths);
    if (m_record.isHls())
        removeHlsWork(m_record.filePath);
    if (combining || m_record.noResume)
        removeFile(m_record.filePath);
}

void TaskController::shutdown() {
    m_offerPending = false;
    abandonAnalysis();
    stopTransfer();
    removeNoResumeOutput();
}

void TaskController::removeNoResumeOutput() {
    if (m_record.noResume)
        removeFile(m_record.filePath);
}
