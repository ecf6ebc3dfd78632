#include "download/video_progress_bar.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QThread>

#include "core/app_files.h"
#include "download/download_plan.h"
#include "download/downloading_analy_thread.h"
#include "download/downloading_down_thread.h"
#include "download/output_naming.h"
#include "download/video_resource_dialog.h"
#include "platform/text.h"
#include "segfetch/download_helper.h"
#include "widgets/image_button.h"
#include "widgets/image_widget.h"
#include "widgets/message_dialog.h"
#include "widgets/skinned_form.h"
#include "widgets/slider_ctrl.h"

namespace {

constexpr int kBigHeight = 98;
constexpr int kSmallHeight = 47;

QString sizeText(qint64 bytes) {
    return QString::fromStdString(platform::formatSize(bytes));
}

QImageButton* imageButton(QWidget* parent, const char* name, const char* text, const char* image) {
    return skinned::imageButton(parent, image, {.objectName = name, .text = text});
}

QLabel* label(QWidget* parent, const char* name, const QString& text,
              const char* picture = nullptr) {
    QLabel* result =
        picture ? skinned::pictureLabel(parent, text, picture) : skinned::label(parent, text);
    result->setObjectName(name);
    return result;
}

}  // namespace

LoginYouTuBeDialog::LoginYouTuBeDialog(QWidget* parent) : QImageDialog(parent) {
    if (!setBackground(appfiles::path("/image/login_YouTube_Bg.png"), true))
        qDebug("Set image backgroud failed!");
    if (width() < 200)
        resize(340, 220);
    auto* userLabel = new QLabel("UserName:", this);
    auto* passwordLabel = new QLabel("Password:", this);
    userLabel->setGeometry(30, 70, 80, 24);
    passwordLabel->setGeometry(30, 110, 80, 24);
    m_lineEditName = new QLineEdit(this);
    m_lineEditName->setObjectName("m_lineEditName");
    m_lineEditName->setGeometry(115, 70, 190, 24);
    m_lineEditPassword = new QLineEdit(this);
    m_lineEditPassword->setObjectName("m_lineEditPassword");
    m_lineEditPassword->setEchoMode(QLineEdit::Password);
    m_lineEditPassword->setGeometry(115, 110, 190, 24);
    const ButtonRow buttons = addButtonRow("/image/OK_btn.png", "/image/BTN_Cancel_1.png",
                                           {.right = 12, .bottom = 17, .closeRight = 8});
    m_btnOK = buttons.ok;
    m_btnCancel = buttons.cancel;
    m_btnClose = buttons.close;
    connect(m_btnOK, &QPushButton::clicked, this, &LoginYouTuBeDialog::OnClickedOk);
    connect(m_btnCancel, &QPushButton::clicked, this, &LoginYouTuBeDialog::OnClickedCancel);
    connect(m_btnClose, &QPushButton::clicked, this, &QDialog::close);
}

void LoginYouTuBeDialog::OnClickedOk() {
    emit emitNamePWD(m_lineEditName->text(), m_lineEditPassword->text());
    done(kAccepted);
}

void LoginYouTuBeDialog::OnClickedCancel() {
    done(QDialog::Rejected);
}

VideoProgressBar::VideoProgressBar(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    m_bigBackground.load(appfiles::path("/image/Videoprogress_bg.png"));
    m_smallBackground.load(appfiles::path("/image/small_Videoprogress_bg.png"));

    m_btnclose = imageButton(this, "m_btnclose", "", "/image/Close_btn.png");
    m_btnclose->hide();
    m_labVideoName = label(this, "m_labVideoName", {});
    QFont font("Tahoma");
    font.setPixelSize(13);
    m_labVideoName->setFont(font);
    m_progressBar = new qSliderCtrl(this);
    m_progressBar->setObjectName("m_progressBar");
    m_progressBar->setGrooveImage(appfiles::path("/image/line_else.png"));
    m_progressBar->setFillImage(appfiles::path("/image/line_contacts.png"));
    m_progressBar->setInteractive(false);
    m_progressBar->setRange(0, 100);
    m_imageWidget = new QImageWidget(this);
    m_imageWidget->setObjectName("m_imageWidget");
    m_imageWidget->setImage(appfiles::path("/image/Video_icon.png"));
    m_labWait = label(this, "m_labWait", "waiting", "/image/icon_waiting.png");
    m_btnRefresh = imageButton(this, "m_btnRefresh", "Refresh", "/image/1refresh_BTN.png");
    m_btnWait = imageButton(this, "m_btnWait", "Wait", "/image/1Clock_BTN.png");
    m_btnPause = imageButton(this, "m_btnPause", "Pause", "/image/1Stop_BTN.png");
    m_btnStart = imageButton(this, "m_btnStart", "start", "/image/1Play_BTN.png");
    m_labFail = label(this, "m_labFail", "fail", "/image/icon_Failed.png");
    m_labAnlyzing = label(this, "m_labAnlyzing", "Analyzing");
    m_labUrlIcon = label(this, "m_labUrlIcon", {}, "/image/icon_web.png");
    m_labDownInfo = label(this, "m_labDownInfo", {});
    m_loginDialog = new LoginYouTuBeDialog(this);

    connect(m_btnclose, &QPushButton::clicked, this, &VideoProgressBar::OnBtnDelete);
    connect(m_btnRefresh, &QPushButton::clicked, this, &VideoProgressBar::OnBtnRefresh);
    connect(m_btnPause, &QPushButton::clicked, this, &VideoProgressBar::OnBtnPause);
    connect(m_btnStart, &QPushButton::clicked, this, &VideoProgressBar::OnBtnStart);
    connect(&m_timer, &QTimer::timeout, this, &VideoProgressBar::timerDone);
    setState(Waiting);
    setBigDisplay(true);
}

VideoProgressBar::~VideoProgressBar() {
    dropAnalysisThread();
    stopTransfers();
    delete m_downloadThread;
    deleteHelpers();
}

// ---- state ----

void VideoProgressBar::setState(TaskState state) {
    m_state = state;
    updateStateWidgets();
}

void VideoProgressBar::updateStateWidgets() {
    const TaskState s = m_state;
    m_btnPause->setVisible(s == Analyzing || s == Downloading);
    m_btnStart->setVisible(s == AnalysisPaused || s == DownloadPaused);
    m_btnRefresh->setVisible(s == Failed);
    m_btnWait->setVisible(s == Waiting);
    m_labAnlyzing->setVisible(s == Analyzing);
    m_labFail->setVisible(s == Failed);
    m_labWait->setVisible(s == Waiting);
    m_progressBar->setVisible(s >= Analyzing);
    if (s == Downloading)
        m_labDownInfo->show();
    else if (s != DownloadPaused)
        m_labDownInfo->hide();
}

void VideoProgressBar::ensureAnalysisThread() {
    if (m_analysisThread)
        return;
    m_analysisThread = new DownloadingAnalyThread;
    m_analysisThread->setUrl(m_url);
    m_analysisThread->setMergeHandle(CreateSiteScriptHandle());
    connect(m_analysisThread, &DownloadingAnalyThread::showLoginDlg, this,
            &VideoProgressBar::OnShow, Qt::BlockingQueuedConnection);
    connect(m_analysisThread, &DownloadingAnalyThread::emitAnalysisOK, this,
            &VideoProgressBar::AnalysisOK);
    connect(m_analysisThread, &DownloadingAnalyThread::emitCombinFinish, this,
            &VideoProgressBar::combinOK);
}

void VideoProgressBar::ensureDownloadThread() {
    if (m_downloadThread)
        return;
    m_downloadThread = new DownloadingDownThread;
    connect(m_downloadThread, &DownloadingDownThread::emitDownOK, this, &VideoProgressBar::downOK);
}

void VideoProgressBar::dropAnalysisThread() {
    if (!m_analysisThread)
        return;
    m_analysisThread->abandon();  // never waits: the worker ends on its own
    m_analysisThread = nullptr;
}

void VideoProgressBar::failAnalysis() {
    m_canReanalyse = true;
    setState(Failed);
}

// ---- the task's road ----

void VideoProgressBar::startAnalysis(const QString& url) {
    m_url = url;
    m_labVideoName->setText(url);
    ensureAnalysisThread();
    setState(Analyzing);
    m_analysisThread->start();
}

void VideoProgressBar::setFailedUrl(const QString& url) {
    m_url = url;
    m_labVideoName->setText(url);
    m_canReanalyse = true;
    ensureAnalysisThread();
    setState(Failed);
}

void VideoProgressBar::AnalysisOK(VideoInfo* info, int state, QList<qint64> sizes,
                                  const ISiteScript* handle) {
    auto release = [&] {
        handle->FreeVideoInfo(&info);
        CloseSiteScriptHandle();
    };
    if (state != 0 || !info) {
        release();
        failAnalysis();
        if (state == AnalyseLoginFailed)
            showMessage("Login failed, Please check your user name or password!", "Login failed",
                        0);
        return;
    }
    m_totalSize = info->length;
    const QString title = naming::cleanTitle(fromEngine(info->name));
    m_streams.clear();
    m_streams << StreamChoice{title, fromEngine(info->format), sizes.value(0), false};

    VideoResourceDialog dialog(this);
    dialog.setRows(&m_streams);
    dialog.setUrl(m_url);
    dialog.exec();
    const int row = dialog.selectedRow();
    const QString folder = dialog.downloadPath();
    if (row >= 0)
        QDir().mkpath(folder);
    DownloadPlan plan;
    if (row < 0 || planDownload(*info, folder, &m_partCounter, &plan) != PlanResult::Ok) {
        release();  // cancelled, or a stream of no known kind: analyse again with Refresh
        failAnalysis();
        return;
    }
    release();
    m_saveDir = folder;
    m_title = plan.title;
    m_fileExt = plan.extension;
    m_filePath = plan.outputPath;
    m_displayName = plan.displayName;
    m_downloadUrls = plan.downloadUrls;
    m_partPaths = plan.partPaths;
    m_labVideoName->setText(m_displayName);
    m_labUrlIcon->setPixmap(QPixmap(appfiles::path("/image/icon_youtube.png")));
    m_restored = false;
    m_resumeBase = m_lastReceived = 0;
    setState(Downloading);
    if (plan.rtmp) {
        m_noResume = true;
        startRtmpDownload(plan.rtmpUrl, plan.rtmpPlayPath);
    } else {
        startHttpDownload();
    }
}

void VideoProgressBar::startHttpDownload() {
    qDebug().noquote() << "++++++++++++++++++++++++++" << '"' + m_downloadUrls.value(0) + '"';
    if (m_downloadThread)
        m_downloadThread->waitFinished();
    deleteHelpers();
    bool allQueued = false;
    m_helpers = makeHelpers(m_downloadUrls, m_partPaths, &allQueued);
    qDebug() << "Anylisis url total num is:" << m_downloadUrls.size();
    if (!allQueued || m_helpers.isEmpty()) {
        showMessage("Add DownloadTask error!", "Error", 0);
        failAnalysis();
        return;
    }
    ensureDownloadThread();
    m_downloadThread->setDownloaders(m_helpers);
    m_downloadThread->setTargetPaths(m_partPaths);
    m_downloadThread->start();
    m_timer.start(1000);
    emit emitSaveProgress();
}

void VideoProgressBar::startRtmpDownload(const std::string& url, const std::string& playPath) {
    ensureDownloadThread();
    m_downloadThread->setRtmpRequest(url, playPath, m_filePath);
    m_downloadThread->start();
    m_timer.start(1000);
}

void VideoProgressBar::showProgressText(const QString& text) {
    m_labDownInfo->setText(text);
}

void VideoProgressBar::timerDone() {
    if (!m_downloadThread)
        return;
    if (m_noResume) {
        const RtmpProgress progress = m_downloadThread->getRtmpProgress();
        m_progressBar->setValue(progress.percent);
        showProgressText(
            QString("Recive:%1,Total:unknown - %2/s")
                .arg(sizeText(progress.bytes), sizeText(progress.bytes - m_lastReceived)));
        m_lastReceived = progress.bytes;
        return;
    }
    qint64 bytes = m_restored ? m_resumeBase : 0;
    for (DownloadHelper* helper : m_helpers) {
        if (const auto* counter = helper->downloaded.load())
            bytes += counter->load();
    }
    m_progressBar->setValue(m_totalSize ? int(double(bytes) * 100.0 / double(m_totalSize)) : 0);
    if (m_totalSize)
        bytes = std::min(bytes, m_totalSize);
    showProgressText(QString("%1/%2 - %3/s")
                         .arg(sizeText(bytes), sizeText(m_totalSize),
                              sizeText(std::max<qint64>(0, bytes - m_lastReceived))));
    m_lastReceived = bytes;
}

void VideoProgressBar::downOK(int state) {
    m_timer.stop();
    if (state < 0) {
        if (m_noResume && QFile::exists(m_filePath) && !QFile::remove(m_filePath))
            qDebug("remove file failed");
        m_canRestart = true;
        setState(Failed);
        return;
    }
    timerDone();
    if (m_partPaths.size() > 1 && QFileInfo::exists(m_filePath)) {
        const QFileInfo taken(m_filePath);
        m_filePath =
            naming::uniqueOutputPath(taken.path(), taken.completeBaseName(), taken.suffix());
    }
    ensureAnalysisThread();
    m_analysisThread->startCombine(m_filePath, m_partPaths);
}

void VideoProgressBar::combinOK(int state) {
    if (state == 0) {
        emit emitDowningOK(m_filePath);
        return;
    }
    // The pieces are kept: Refresh runs the (finished) download again and
    // combines once more.
    m_canRestart = true;
    setState(Failed);
}

// ---- buttons ----

void VideoProgressBar::OnBtnPause() {
    if (m_noResume) {
        const int answer = showMessage(
            "This video does not support breakpoint continuingly.  Are you sure you want to "
            "cancel?",
            "Warning", msg::kYesNo);
        if (answer != msg::kResultYes)
            return;
        stopTransfers();
        if (QFile::exists(m_filePath) && !QFile::remove(m_filePath))
            qDebug("remove file failed");
        setState(Failed);
        return;
    }
    if (m_state == Analyzing)
        setState(AnalysisPaused);
    else if (m_state == Downloading)
        setState(DownloadPaused);
    const QString text = m_labDownInfo->text();
    const int space = text.lastIndexOf(' ');
    if (space >= 0)
        showProgressText(QString("%1 0kb/s").arg(text.left(space)));
    m_timer.stop();
    if (m_downloadThread) {
        for (DownloadHelper* helper : m_helpers)
            helper->Suspend();
        qDebug("pause");
        emit emitSaveProgress();
    } else if (m_analysisThread) {
        m_analysisThread->hold();
    }
}

void VideoProgressBar::OnBtnStart() {
    if (m_state == AnalysisPaused)
        setState(Analyzing);
    else if (m_state == DownloadPaused)
        setState(Downloading);
    if (m_downloadThread) {
        if (m_freshStartOnResume) {
            m_freshStartOnResume = false;
            if (m_helpers.isEmpty()) {  // every part was complete: combine now
                downOK(1);
                return;
            }
            m_downloadThread->start();
        } else {
            for (DownloadHelper* helper : m_helpers)
                helper->Resume();
        }
        m_timer.start(1000);
    } else if (m_analysisThread) {
        m_analysisThread->release();
    }
}

void VideoProgressBar::OnBtnRefresh() {
    if (m_canReanalyse) {
        ensureAnalysisThread();
        m_canRestart = false;
        setState(Analyzing);
        m_analysisThread->start();
    } else if (m_canRestart) {
        if (!m_downloadThread) {
            showMessage("Can not restar thread!", "Error", 0);
            return;
        }
        setState(Downloading);
        m_canRestart = false;
        m_freshStartOnResume = false;
        if (m_helpers.isEmpty()) {
            downOK(1);
            return;
        }
        m_downloadThread->start();
        m_timer.start(1000);
    }
}

void VideoProgressBar::OnBtnDelete() {
    discard();
    emit emitDelete();
}

void VideoProgressBar::OnShow() {
    qDebug() << "login asked on thread" << QThread::currentThreadId();
    m_userName.clear();
    m_password.clear();
    if (m_loginDialog->exec() == LoginYouTuBeDialog::kAccepted) {
        m_userName = m_loginDialog->m_lineEditName->text();
        m_password = m_loginDialog->m_lineEditPassword->text();
    }
    if (auto* worker = qobject_cast<DownloadingAnalyThread*>(sender()))
        worker->setCredentials(m_userName, m_password);
    else if (m_analysisThread)
        m_analysisThread->setCredentials(m_userName, m_password);
}

// ---- stopping ----

void VideoProgressBar::stopTransfers() {
    m_timer.stop();
    if (!m_downloadThread)
        return;
    // Whatever the worker reports from here on belongs to no live task.
    disconnect(m_downloadThread, nullptr, this, nullptr);
    m_downloadThread->abort(true);
    if (!m_downloadThread->isRtmp()) {
        for (DownloadHelper* helper : m_helpers) {
            helper->Resume();
            helper->stopDownload();
        }
    }
    m_downloadThread->waitFinished();  // prompt: every run has been told to end
    m_downloadThread->setRunning(false);
    delete m_downloadThread;
    m_downloadThread = nullptr;
}

bool VideoProgressBar::shutdown() {
    if (m_state == Failed && !m_downloadThread)
        return true;
    dropAnalysisThread();
    qDebug("{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{  begin Exit");
    stopTransfers();
    if (m_noResume && QFile::exists(m_filePath) && !QFile::remove(m_filePath))
        qDebug("remove file failed");
    qDebug("{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{  End Exit");
    return true;
}

void VideoProgressBar::discard() {
    dropAnalysisThread();
    stopTransfers();
    deleteHelpers();
    naming::removeTaskFiles(m_partPaths);
    if (m_noResume && QFile::exists(m_filePath) && !QFile::remove(m_filePath))
        qDebug("remove file failed");
}

void VideoProgressBar::deleteHelpers() {
    qDeleteAll(m_helpers);
    m_helpers.clear();
}

StoredTask VideoProgressBar::storedTask() const {
    StoredTask task{m_url, m_downloadUrls, m_partPaths, m_lastReceived, m_totalSize};
    if (m_noResume)
        task.receivedSize = task.totalSize = 0;
    return task;
}

void VideoProgressBar::restoreTask(const StoredTask& task) {
    m_url = task.url;
    m_labVideoName->setText(m_url);
    ensureAnalysisThread();
    m_totalSize = task.totalSize;
    m_restored = true;
    m_resumeBase = m_lastReceived = task.receivedSize;
    m_partPaths = task.partPaths;
    m_downloadUrls = task.downloadUrls;
    // A task saved when its download started has received nothing yet but
    // is resumable all the same; lists of different lengths (a hand-edited
    // file) are not.
    const bool resumable =
        !m_partPaths.isEmpty() && m_totalSize != 0 && m_partPaths.size() == m_downloadUrls.size();
    if (!resumable) {
        failAnalysis();
        return;
    }
    m_canRestart = true;
    m_filePath = naming::restoredOutputPath(m_partPaths);
    const QFileInfo output(m_filePath);
    m_saveDir = output.path();
    m_title = output.completeBaseName();
    m_fileExt = output.suffix();
    m_displayName = output.fileName();
    m_labVideoName->setText(m_displayName);

    QStringList urls, paths;
    for (int i = 0; i < m_partPaths.size(); ++i) {
        const QString& part = m_partPaths.at(i);
        bool finished = QFileInfo::exists(part);
        for (const QString& segment : naming::segmentFiles(part))
            finished = finished && !QFileInfo::exists(segment);
        if (finished && paths.isEmpty())
            continue;
        qDebug().noquote() << "&&&&&&&&&&&&&&&&&&&&&&&& strAnalisisUrl is:" << m_downloadUrls.at(i);
        qDebug().noquote() << "%%%%%%%%%%%%%%%%%%%%%%%% Path is" << part;
        urls << m_downloadUrls.at(i);
        paths << part;
    }
    bool allQueued = false;
    m_helpers = makeHelpers(urls, paths, &allQueued);
    paths = paths.mid(0, m_helpers.size());
    ensureDownloadThread();
    m_freshStartOnResume = true;
    m_downloadThread->setDownloaders(m_helpers);
    m_downloadThread->setTargetPaths(paths);
    setState(DownloadPaused);
    m_resumeBase = std::min(m_resumeBase, m_totalSize);
    m_progressBar->setValue(double(m_resumeBase) * 100.0 / double(m_totalSize));
    showProgressText(
        QString("%1MB/%2MB - %4kb/s").arg(m_resumeBase >> 20).arg(m_totalSize >> 20).arg(0));
    m_labDownInfo->show();
}

// ---- look ----

void VideoProgressBar::setHighlight(int highlight) {
    m_highlight = highlight;
    update();
}

void VideoProgressBar::setBigDisplay(bool big) {
    m_bigDisplay = big;
    const int h = big ? kBigHeight : kSmallHeight;
    setFixedHeight(h);
    const int w = std::max(width(), 600);
    const QSize thumb = big ? QSize(111, 79) : QSize(52, 36);
    m_imageWidget->setGeometry(10, (h - thumb.height()) / 2, thumb.width(), thumb.height());
    if (big)
        m_labVideoName->setGeometry(173, 12, 400, 20);
    else
        m_labVideoName->setGeometry(100, (h - 20) / 2, 200, 20);
    const int barX = big ? 150 : 310;
    m_progressBar->move(barX, (h - m_progressBar->height()) / 2);
    const int infoWidth = big ? 300 : 100;
    if (big) {
        m_labAnlyzing->setGeometry(150, 65, infoWidth, 20);
        m_labDownInfo->setGeometry(150, 65, infoWidth, 20);
        m_labWait->setGeometry(150, 40, 100, 20);
        m_labFail->setGeometry(150, 40, 100, 20);
    } else {
        m_labAnlyzing->setGeometry(w - 209, (h - 20) / 2, infoWidth, 20);
        m_labDownInfo->setGeometry(w - 209, (h - 20) / 2, infoWidth, 20);
        m_labWait->setGeometry(w - 209, (h - 20) / 2, 100, 20);
        m_labFail->setGeometry(310, (h - 20) / 2, 100, 20);
    }
    for (QImageButton* button : {m_btnPause, m_btnRefresh, m_btnStart, m_btnWait})
        button->move(w - 79, (h - button->height()) / 2);
    m_labUrlIcon->setGeometry(150, 14, 16, 16);
    m_labUrlIcon->setVisible(big);
    update();
}

void VideoProgressBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QPixmap& strip = m_bigDisplay ? m_bigBackground : m_smallBackground;
    if (!strip.isNull()) {
        const int frame = (m_highlight >= 0 && m_highlight <= 2) ? m_highlight : 0;
        const int frameWidth = strip.width() / 4;
        painter.drawPixmap(rect(), strip, QRect(frame * frameWidth, 0, frameWidth, strip.height()));
    }
    m_btnclose->move(width() - m_btnclose->width() - 9, 7);
    for (QImageButton* button : {m_btnPause, m_btnRefresh, m_btnStart, m_btnWait})
        button->move(width() - 79, (height() - button->height()) / 2);
    m_labVideoName->setText(m_displayName.isEmpty() ? m_url : m_displayName);
}

void VideoProgressBar::enterEvent(QEnterEvent*) {
    m_btnclose->show();
    if (m_highlight == 0)
        setHighlight(1);
    setCursor(Qt::ArrowCursor);
}

void VideoProgressBar::leaveEvent(QEvent*) {
    m_btnclose->hide();
    if (m_highlight == 1)
        setHighlight(0);
}

void VideoProgressBar::mousePressEvent(QMouseEvent* event) {
    if (m_highlight != 2)
        setHighlight(2);
    emit emitMousePress();
    if (event->button() == Qt::RightButton)
        emit emitshowTreeMenu();
    QWidget::mousePressEvent(event);
}
