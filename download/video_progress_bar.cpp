#include "download/video_progress_bar.h"
#include "core/log_category.h"

#include <QDebug>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QThread>

#include "core/app_files.h"
#include "download/video_resource_dialog.h"
#include "widgets/image_button.h"
#include "widgets/image_widget.h"
#include "widgets/message_dialog.h"
#include "widgets/skinned_form.h"
#include "widgets/slider_ctrl.h"

namespace {

constexpr int kBigHeight = 98;
constexpr int kSmallHeight = 47;

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
        qCDebug(clipwrightLog, "Set image backgroud failed!");
    if (width() < 200)
        resize(340, 220);
    skinned::label(this, "UserName:")->setGeometry(30, 70, 80, 24);
    skinned::label(this, "Password:")->setGeometry(30, 110, 80, 24);
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

VideoProgressBar::VideoProgressBar(QWidget* parent)
    : QWidget(parent),
      m_task(std::make_unique<TaskController>()),
      m_url(m_task->record().url),
      m_state(m_task->record().state),
      m_title(m_task->record().title),
      m_fileExt(m_task->record().fileExt),
      m_saveDir(m_task->record().saveDir),
      m_filePath(m_task->record().filePath),
      m_displayName(m_task->record().displayName),
      m_downloadUrls(m_task->record().downloadUrls),
      m_partPaths(m_task->record().partPaths),
      m_totalSize(m_task->record().totalSize),
      m_lastReceived(m_task->record().lastReceived),
      m_resumeBase(m_task->record().resumeBase),
      m_noResume(m_task->record().noResume),
      m_canReanalyse(m_task->record().canReanalyse),
      m_canRestart(m_task->record().canRestart) {
    setMouseTracking(true);
    connectTask();
    setBigDisplay(true);
}

VideoProgressBar::~VideoProgressBar() = default;

// The form shows what the task reports from then on, and what it reported
// before: its record, its last progress (without speed once paused), its
// failure and its state.
void VideoProgressBar::ensureForm() {
    if (m_form.built())
        return;
    m_form.build(this, [this] { buildForm(); });
    setBigDisplay(m_bigDisplay);
    showRecord();
    if (m_progressSeen) {
        TaskProgress progress = m_task->progress();
        if (m_state != Downloading)
            progress.speed = 0;
        showProgress(progress);
    }
    if (m_state == Failed)
        showFailure(m_task->failure());
    updateStateWidgets();
}

void VideoProgressBar::releaseForm() {
    if (!m_form.built())
        return;
    m_form.release();
    m_btnclose = m_btnRefresh = m_btnWait = m_btnPause = m_btnStart = nullptr;
    m_labVideoName = m_labWait = m_labFail = m_labFailReason = m_labAnlyzing = m_labUrlIcon =
        m_labDownInfo = nullptr;
    m_progressBar = nullptr;
    m_imageWidget = nullptr;
    m_bigBackground = m_smallBackground = QPixmap();
}

void VideoProgressBar::buildForm() {
    m_bigBackground = skinned::pixmap("/image/Videoprogress_bg.png");
    m_smallBackground = skinned::pixmap("/image/small_Videoprogress_bg.png");
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
    m_labFailReason = label(this, "m_labFailReason", {});
    m_labFailReason->hide();
    m_labAnlyzing = label(this, "m_labAnlyzing", "Analyzing");
    m_labUrlIcon = label(this, "m_labUrlIcon", {}, "/image/icon_web.png");
    m_labDownInfo = label(this, "m_labDownInfo", {});
    connect(m_btnclose, &QPushButton::clicked, this, &VideoProgressBar::OnBtnDelete);
    connect(m_btnRefresh, &QPushButton::clicked, this, &VideoProgressBar::OnBtnRefresh);
    connect(m_btnPause, &QPushButton::clicked, this, &VideoProgressBar::OnBtnPause);
    connect(m_btnStart, &QPushButton::clicked, this, &VideoProgressBar::OnBtnStart);
    // A queued task leaves the queue, paused.
    connect(m_btnWait, &QPushButton::clicked, this, [this] { m_task->pause(); });
}

void VideoProgressBar::connectTask() {
    TaskController* task = m_task.get();
    connect(task, &TaskController::stateChanged, this, &VideoProgressBar::updateStateWidgets);
    connect(task, &TaskController::recordChanged, this, &VideoProgressBar::showRecord);
    connect(task, &TaskController::progressChanged, this, &VideoProgressBar::showProgress);
    connect(task, &TaskController::failed, this, &VideoProgressBar::showFailure);
    connect(task, &TaskController::loginRequested, this, &VideoProgressBar::OnShow);
    connect(task, &TaskController::streamsOffered, this, &VideoProgressBar::offerStreams);
    connect(task, &TaskController::notice, this,
            [](const QString& message, const QString& title) { showMessage(message, title, 0); });
    connect(task, &TaskController::progressWorthSaving, this, &VideoProgressBar::emitSaveProgress);
    connect(task, &TaskController::finished, this, &VideoProgressBar::emitDowningOK);
}

// ---- what the task reports ----

void VideoProgressBar::updateStateWidgets() {
    if (!m_form.built())
        return;
    const TaskState s = m_state;
    m_btnPause->setVisible(s == Analyzing || s == Downloading);
    m_btnStart->setVisible(s == AnalysisPaused || s == DownloadPaused);
    m_btnRefresh->setVisible(s == Failed);
    m_btnWait->setVisible(s == Waiting);
    m_labAnlyzing->setVisible(s == Analyzing);
    const bool cancelled = m_task->failure().stage == TaskFailure::Cancelled;
    m_labFail->setVisible(s == Failed && !cancelled);
    m_labFailReason->setVisible(s == Failed);
    m_labWait->setVisible(s == Waiting);
    m_progressBar->setVisible(s >= Analyzing);
    if (s == Downloading) {
        m_labDownInfo->show();
    } else if (m_task->isQueued()) {
        // Its stream is chosen; the queue starts it when a download ends.
        m_labDownInfo->setText("Waiting");
        m_labDownInfo->show();
    } else if (s != DownloadPaused) {
        m_labDownInfo->hide();
    }
    m_btnWait->setToolTip(
        m_task->isQueued() ? "Waiting for another download to end; click to pause it" : QString());
    if (s != Failed) {
        m_labFail->setToolTip({});
        m_labFailReason->setToolTip({});
        setToolTip({});
    }
    layOutFailReason();
}

void VideoProgressBar::showRecord() {
    if (!m_form.built())
        return;
    m_labVideoName->setText(m_displayName.isEmpty() ? m_url : m_displayName);
    if (!m_displayName.isEmpty())
        m_labUrlIcon->setPixmap(skinned::pixmap("/image/icon_youtube.png"));
}

void VideoProgressBar::showProgress(const TaskProgress& progress) {
    m_progressSeen = true;
    if (!m_form.built())
        return;
    m_progressBar->setValue(progress.percent);
    m_labDownInfo->setText(progress.text());
    if (progress.style == TaskProgress::Restored)
        m_labDownInfo->show();
}

void VideoProgressBar::showFailure(const TaskFailure& failure) {
    if (!m_form.built())
        return;
    m_labFail->setToolTip(failure.text);
    m_labFailReason->setToolTip(failure.text);
    setToolTip(failure.text);
    updateStateWidgets();  // a cancelled task shows no failure icon
}

// The reason follows the failure icon (or takes its place for a cancelled
// task) and ends before the Refresh button.
void VideoProgressBar::layOutFailReason() {
    if (!m_form.built())
        return;
    const QRect icon = m_labFail->geometry();
    const bool cancelled = m_task->failure().stage == TaskFailure::Cancelled;
    const int left = cancelled ? icon.x() : icon.x() + 22;
    const int right = width() - 79 - 8;
    const int available = std::max(40, right - left);
    m_labFailReason->setGeometry(left, icon.y(), available, icon.height());
    const QString text = m_task->failure().text;
    m_labFailReason->setText(
        m_labFailReason->fontMetrics().elidedText(text, Qt::ElideRight, available));
}

void VideoProgressBar::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layOutFailReason();
}

// The stream dialog is modal but does not block: the task waits for its
// answer, and the row may go (Delete ALL) while it is open.
void VideoProgressBar::offerStreams() {
    auto* dialog = new VideoResourceDialog(this);
    dialog->setWindowModality(Qt::ApplicationModal);
    dialog->setRows(&m_task->streams(), preselectedRow(m_task->streams()));
    dialog->setUrl(m_url);
    connect(dialog, &QDialog::finished, this, [this, dialog] {
        m_task->chooseStream(dialog->selectedRow(), dialog->downloadPath());
        dialog->deleteLater();
    });
    dialog->show();
}

void VideoProgressBar::OnShow() {
    qCDebug(clipwrightLog) << "login asked on thread" << QThread::currentThreadId();
    QPointer<VideoProgressBar> alive(this);
    QString userName;
    QString password;
    // Made when asked: most rows never need one.
    QPointer<LoginYouTuBeDialog> dialog = new LoginYouTuBeDialog(this);
    if (dialog->exec() == LoginYouTuBeDialog::kAccepted && alive && dialog) {
        userName = dialog->m_lineEditName->text();
        password = dialog->m_lineEditPassword->text();
    }
    delete dialog;
    if (alive)
        m_task->setCredentials(userName, password);
}

// ---- buttons ----

void VideoProgressBar::OnBtnPause() {
    if (m_noResume && !m_task->isQueued()) {
        if (m_state != Downloading)
            return;
        QPointer<VideoProgressBar> alive(this);
        const int answer = showMessage(
            "This video does not support breakpoint continuingly.  Are you sure you want to "
            "cancel?",
            "Warning", msg::kYesNo);
        if (alive && answer == msg::kResultYes)
            m_task->cancel();
        return;
    }
    const TaskState before = m_state;
    m_task->pause();
    if (m_state == before || !m_form.built())
        return;
    // The speed at the end of the text (after its last space) drops to 0.
    const QString text = m_labDownInfo->text();
    const int space = text.lastIndexOf(' ');
    if (space >= 0)
        m_labDownInfo->setText(QString("%1 0kb/s").arg(text.left(space)));
}

void VideoProgressBar::OnBtnStart() {
    m_task->resume();
}

void VideoProgressBar::OnBtnRefresh() {
    m_task->refresh();
}

// The list asks first (when the question is on) and discards the task's
// files only once the user agreed.
void VideoProgressBar::OnBtnDelete() {
    emit emitDelete();
}

bool VideoProgressBar::shutdown() {
    qCDebug(clipwrightLog, "{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{  begin Exit");
    m_task->shutdown();
    qCDebug(clipwrightLog, "{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{  End Exit");
    return true;
}

// ---- look ----

void VideoProgressBar::setHighlight(int highlight) {
    m_highlight = highlight;
    update();
}

int VideoProgressBar::rowHeight(bool big) {
    return big ? kBigHeight : kSmallHeight;
}

void VideoProgressBar::setBigDisplay(bool big) {
    // A row without its form only keeps the flag: the list's column gives
    // it its height, and the display switch then costs little per row.
    m_bigDisplay = big;
    if (!m_form.built())
        return;
    const int h = rowHeight(big);
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
    layOutFailReason();
    update();
}

void VideoProgressBar::paintEvent(QPaintEvent*) {
    if (!m_form.built())
        return;
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

void VideoProgressBar::showEvent(QShowEvent* event) {
    ensureForm();  // before the first paint: a row is built when first shown
    QWidget::showEvent(event);
}

void VideoProgressBar::enterEvent(QEnterEvent*) {
    if (!m_form.built())
        return;
    m_btnclose->show();
    if (m_highlight == 0)
        setHighlight(1);
    setCursor(Qt::ArrowCursor);
}

void VideoProgressBar::leaveEvent(QEvent*) {
    if (!m_form.built())
        return;
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
