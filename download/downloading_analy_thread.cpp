#include "download/downloading_analy_thread.h"
#include "core/log_category.h"

#include <QCoreApplication>
#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QTimer>

#include <cerrno>

#include "download/download_plan.h"
#include "download/output_naming.h"
#include "sitescript/tooling.h"

namespace {

// The abandoned workers whose threads still run. GUI thread only.
QSet<DownloadingAnalyThread*>& abandonedWorkers() {
    static QSet<DownloadingAnalyThread*> workers;
    return workers;
}

// Runs when the application object goes: the engine calls of abandoned
// analyses are waited for, so that no thread outlives the program's objects.
void waitForAbandonedWorkers() {
    const QSet<DownloadingAnalyThread*> workers = abandonedWorkers();
    for (DownloadingAnalyThread* worker : workers)
        delete worker;  // its destructor waits for its thread
}

std::u16string utf16(const QString& text) {
    return std::u16string(reinterpret_cast<const char16_t*>(text.utf16()), text.size());
}

bool writeConcatList(const QString& listPath, const QStringList& parts) {
    std::vector<std::string> pieces;
    for (const QString& part : parts)
        pieces.push_back(part.toStdString());
    const std::string text = sitescript::concatList(pieces);
    QFile list(listPath);
    if (!list.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    const bool written = list.write(text.data(), qint64(text.size())) == qint64(text.size());
    list.close();
    return written;
}

}  // namespace

DownloadingAnalyThread::DownloadingAnalyThread(QObject* parent) : QObject(parent) {
    registerMetaTypes();
}

DownloadingAnalyThread::~DownloadingAnalyThread() {
    release();
    // An abandoned worker is deleted once its thread has ended, or by the
    // application's end; neither may dispatch events of others meanwhile.
    waitFinished(!abandoned());
    abandonedWorkers().remove(this);
}

void DownloadingAnalyThread::registerMetaTypes() {
    qRegisterMetaType<VideoInfo*>("VideoInfo*");
    qRegisterMetaType<const ISiteScript*>("const ISiteScript*");
    qRegisterMetaType<QList<qint64>>("QList<qint64>");
}

void DownloadingAnalyThread::setCredentials(const QString& userName, const QString& password) {
    std::lock_guard lock(m_mutex);
    m_userName = utf16(userName);
    m_password = utf16(password);
}

void DownloadingAnalyThread::startCombine(const QString& outputPath, const QStringList& parts) {
    waitFinished();
    m_combineMode = true;
    m_outputPath = outputPath;
    m_parts = parts;
    start();
}

void DownloadingAnalyThread::hold() {
    std::lock_guard lock(m_mutex);
    m_held = true;
}

void DownloadingAnalyThread::release() {
    std::lock_guard lock(m_mutex);
    m_held = false;
    m_wake.notify_all();
}

bool DownloadingAnalyThread::isHeld() const {
    std::lock_guard lock(m_mutex);
    return m_held;
}

void DownloadingAnalyThread::abandon() {
    {
        std::lock_guard lock(m_mutex);
        m_abandoned = true;
        m_held = false;
        m_wake.notify_all();
        disconnect(this, nullptr, nullptr, nullptr);
    }
    // The object goes once its thread has ended, at the latest when the
    // application object is destroyed (also when no event loop runs the
    // deferred deletion any more).
    static const bool waitsAtExit = (qAddPostRoutine(waitForAbandonedWorkers), true);
    Q_UNUSED(waitsAtExit);
    abandonedWorkers().insert(this);
    if (!isActive()) {
        deleteLater();
        return;
    }
    auto* reaper = new QTimer(this);
    connect(reaper, &QTimer::timeout, this, [this] {
        if (!isActive())
            deleteLater();
    });
    reaper->start(50);
}

DownloadingAnalyThread::Reason DownloadingAnalyThread::lastReason() const {
    std::lock_guard lock(m_mutex);
    return m_reason;
}

void DownloadingAnalyThread::setReason(int kind, const QString& text, int systemError) {
    std::lock_guard lock(m_mutex);
    m_reason = {kind, 0, systemError, text};
}

// The engine keeps its reason per thread: read here, on the worker's thread.
void DownloadingAnalyThread::takeEngineReason() {
    const SiteScriptReason* reason = SiteScriptLastReason();
    std::lock_guard lock(m_mutex);
    m_reason = {reason->kind, reason->httpStatus, reason->systemError,
                QString::fromUtf8(reason->text)};
}

bool DownloadingAnalyThread::checkPoint() {
    std::unique_lock lock(m_mutex);
    m_wake.wait(lock, [this] { return !m_held || m_abandoned; });
    return !m_abandoned;
}

bool DownloadingAnalyThread::abandoned() const {
    std::lock_guard lock(m_mutex);
    return m_abandoned;
}

int DownloadingAnalyThread::loginCallback(const char16_t** userName, const char16_t** password,
                                          std::intptr_t context) {
    auto* self = reinterpret_cast<DownloadingAnalyThread*>(context);
    if (!self->abandoned())
        emit self->showLoginDlg();  // blocks until the owner has answered
    // The owner answers from its own thread; the engine gets copies that
    // only this worker touches, and it copies them again at once.
    {
        std::lock_guard lock(self->m_mutex);
        self->m_loginName = self->m_userName;
        self->m_loginPassword = self->m_password;
    }
    *userName = self->m_loginName.c_str();
    *password = self->m_loginPassword.c_str();
    return 0;
}

void DownloadingAnalyThread::run() {
    if (!m_parts.isEmpty() && m_mergeHandle)
        m_fileType = m_mergeHandle->ProbeFileType(utf16(m_parts.first()).c_str());
    if (m_combineMode) {
        m_combineMode = false;
        const int result = combine();
        std::lock_guard lock(m_mutex);
        if (!m_abandoned)
            emit emitCombinFinish(result);
        return;
    }
    analyse();
}

void DownloadingAnalyThread::analyse() {
    m_sizes.clear();
    const ISiteScript* handle = CreateSiteScriptHandle();
    m_result = nullptr;
    const std::u16string url = utf16(m_url);
    const auto context = reinterpret_cast<std::intptr_t>(this);
    int rc = handle->AnalyseUrl(&loginCallback, url.c_str(), &m_result, context);
    for (int attempt = 1; attempt < kMaxAttempts; ++attempt) {
        const bool good = rc == 0 && m_result && m_result->length != 0;
        if (good || rc == AnalyseLoginFailed || !checkPoint())
            break;
        handle->FreeVideoInfo(&m_result);
        rc = handle->AnalyseUrl(&loginCallback, url.c_str(), &m_result, context);
        qCDebug(clipwrightLog) << " Get url test num is:" << attempt;
    }
    takeEngineReason();
    qCDebug(clipwrightLog, "InternetGetVideoUrl finish!");
    if (rc == 0)
        loadHlsOffer(m_result);  // the playlist's variants, fetched here off the owner's thread
    checkPoint();                // a held analysis delivers its result only after release
    std::lock_guard lock(m_mutex);
    if (m_abandoned) {
        handle->FreeVideoInfo(&m_result);
        CloseSiteScriptHandle();
        return;
    }
    VideoInfo* result = m_result;
    m_result = nullptr;
    if (rc != 0) {
        emit emitAnalysisOK(result, rc, {}, handle);
        return;
    }
    m_sizes.append(result ? result->length : 0);
    emit emitAnalysisOK(result, 0, m_sizes, handle);
}

void DownloadingAnalyThread::loadHlsOffer(const VideoInfo* result) {
    m_hlsOffer = {};
    if (!result)
        return;
    const AnalysedStream stream = AnalysedStream::from(*result);
    if (isHlsStream(stream))
        m_hlsOffer = ::loadHlsOffer(stream.url, naming::cleanTitle(stream.name));
}

int DownloadingAnalyThread::combine() {
    setReason(ReasonNone, {});
    if (m_parts.isEmpty() || !m_mergeHandle) {
        setReason(ReasonMerge, "There are no downloaded parts to combine.");
        return -1;
    }
    m_workPath = naming::freeWorkPath(m_outputPath);
    m_secondInput.clear();
    if (m_parts.size() == 1) {
        const QString& part = m_parts.first();
        QFile file(part);
        if (part != m_outputPath && !file.rename(m_outputPath))
            qCDebug(clipwrightLog, "Rename file failed!");
        if (QFileInfo::exists(m_outputPath))
            return 0;
        setReason(ReasonMerge, QString("The download could not be renamed to %1: %2.")
                                   .arg(QFileInfo(m_outputPath).fileName(), file.errorString()));
        return -1;
    }
    return combineParts();
}

int DownloadingAnalyThread::combineParts() {
    const bool mux = m_fileType == MergeModeMux;
    QString listFile;
    if (mux) {
        qCDebug(clipwrightLog).noquote()
            << m_parts.at(0) << "*********************************************************TS_MP4";
        qCDebug(clipwrightLog).noquote()
            << m_parts.at(1) << "*********************************************************TS_MP4";
        m_workPath = m_parts.at(0);
        m_secondInput = m_parts.at(1);
    } else {
        if (!writeConcatList(m_workPath, m_parts)) {
            setReason(ReasonMerge, "The list of parts to combine could not be written.", errno);
            QFile::remove(m_workPath);
            return -1;
        }
        listFile = m_workPath;
    }
    const bool outputExisted = QFileInfo::exists(m_outputPath);
    const int merged =
        m_mergeHandle->MergeStreams(utf16(m_outputPath).c_str(), utf16(m_workPath).c_str(),
                                    utf16(m_secondInput).c_str(), m_fileType);
    if (merged != 0)
        takeEngineReason();
    if (!listFile.isEmpty())
        QFile::remove(listFile);
    if (merged != 0) {
        // Keep the downloaded pieces so that the user can try again; drop
        // what a failed ffmpeg run left half written.
        if (!outputExisted)
            QFile::remove(m_outputPath);
        return -1;
    }
    for (const QString& part : m_parts)
        QFile::remove(part);
    return 0;
}
