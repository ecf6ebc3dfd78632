#include "player/player_widget.h"

#include <QCloseEvent>
#include <QDateTime>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QIcon>
#include <QLabel>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QShortcut>
#include <QTimer>
#include <QUrl>

#include "core/app_files.h"
#include "core/preferences_store.h"
#include "core/product.h"
#include "player/media_jobs.h"
#include "player/play_btn_widget.h"
#include "player/play_list_widget.h"
#include "player/play_time.h"
#include "player/player_log.h"
#include "player/sanp_sset_dialog.h"
#include "player/snapshot.h"
#include "player/video_surface.h"
#include "widgets/edge_resizer.h"
#include "widgets/image_button.h"
#include "widgets/notice_popup.h"
#include "widgets/skinned_form.h"
#include "widgets/slider_ctrl.h"

Q_LOGGING_CATEGORY(lcPlayer, "clipwright.player", QtWarningMsg)

namespace {

PlayerWidget* g_player = nullptr;
// Set at start: the first file played in the process sizes the window.
bool g_firstFileFits = true;

constexpr int kEdgeBand = 4;
constexpr int kBorder = 1;
const QColor kBorderColour(18, 21, 23);

// Why a file that the engine refused cannot be played, in the user's terms.
QString openFailureReason(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists())
        return QObject::tr("the file does not exist");
    if (!info.isFile())
        return QObject::tr("it is not a file");
    if (!info.isReadable())
        return QObject::tr("the file cannot be read (no permission)");
    return QObject::tr("it is not a media file the player can open");
}

}  // namespace

PlayerWidget::PlayerWidget()
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowSystemMenuHint |
                           Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint) {
    setObjectName("PlayerWidget");
    setWindowTitle(product::displayName() + " Player");
    setWindowIcon(QIcon(appfiles::path("/image/IPAD_128.png")));
    setMinimumSize(640, 400);
    resize(990, 650);
    setMouseTracking(true);
    setAcceptDrops(true);
    m_top.load(appfiles::path("/image/PlayerImage/top.png"));

    m_player = Player_Create(27);
    if (m_player)
        Player_SetAudioVolume(m_player, m_volume);
    else
        qCWarning(lcPlayer) << "the playback core could not start";

    buildTitleBar();
    m_screenArea = new QWidget(this);
    m_screenArea->setObjectName("m_screenArea");
    m_screenArea->setAutoFillBackground(true);
    QPalette black = m_screenArea->palette();
    black.setColor(QPalette::Window, Qt::black);
    m_screenArea->setPalette(black);
    m_screenArea->setMouseTracking(true);
    m_messageLabel = skinned::label(m_screenArea, {}, 13);
    m_messageLabel->setObjectName("m_messageLabel");
    m_messageLabel->setStyleSheet("color: rgb(230, 120, 110);");
    m_messageLabel->setAlignment(Qt::AlignCenter);
    m_messageLabel->setWordWrap(true);
    m_messageLabel->hide();
    m_videoWidget = new VideoSurfaceWidget(m_screenArea);
    m_videoWidget->hide();
    m_playListWidget = new PlayListWidget(this);
    m_playListWidget->setFocusPolicy(Qt::NoFocus);
    m_playBtnWidget = new PlayBtnWidget(this);
    m_playBtnWidget->resetBar();
    m_playBtnWidget->setFullScreenEnabled(false);
    m_jobs = new MediaJobRunner(this);

    m_timeTimer = new QTimer(this);
    m_timeTimer->setInterval(kTimeIntervalMs);
    connect(m_timeTimer, &QTimer::timeout, this, &PlayerWidget::UpdateTime);
    m_screenTimer = new QTimer(this);
    m_screenTimer->setInterval(kScreenIntervalMs);
    connect(m_screenTimer, &QTimer::timeout, this, &PlayerWidget::UpdataScreen);

    m_resizer = new EdgeResizer(this, kEdgeBand);
    connectParts();
    buildShortcuts();
    layOut();
}

PlayerWidget::~PlayerWidget() {
    m_timeTimer->stop();
    m_screenTimer->stop();
    // The floating bar is a window of its own while full screen; it goes
    // with this window either way, as its child.
    if (m_player) {
        Player_Close(m_player);
        Player_Release(m_player);
    }
    g_player = nullptr;
}

PlayerWidget* PlayerWidget::instance() {
    if (!g_player)
        g_player = new PlayerWidget();
    return g_player;
}

bool PlayerWidget::exists() {
    return g_player != nullptr;
}

void PlayerWidget::destroyInstance() {
    delete g_player;
}

void PlayerWidget::resetFirstFileFit() {
    g_firstFileFits = true;
}

void PlayerWidget::buildTitleBar() {
    auto button = [this](const char* name, const char* image, const QString& tip) {
        return skinned::imageButton(this, image, {.objectName = name, .toolTip = tip});
    };
    m_btnClose = button("m_btnClose", "/image/button_close.png", tr("Close"));
    m_btnMax = button("m_btnMax", "/image/button_BIG.png", tr("Maximize"));
    m_btnMin = button("m_btnMin", "/image/button_min.png", tr("Minimize"));
    m_labWinIcon = new QLabel(this);
    m_labWinIcon->setObjectName("m_labWinIcon");
    m_labWinIcon->setPixmap(QPixmap(appfiles::path("/image/IPAD_128.png"))
                                .scaled(20, 20, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    m_labWinIcon->setGeometry(8, 7, 20, 20);
    m_videoNameLab = skinned::label(this, {}, 12);
    m_videoNameLab->setObjectName("m_videoNameLab");
    m_videoNameLab->setStyleSheet("color: rgb(214, 222, 226);");
    connect(m_btnClose, &QPushButton::clicked, this, &PlayerWidget::OnBtnClose);
    connect(m_btnMax, &QPushButton::clicked, this, &PlayerWidget::OnBtnMax);
    connect(m_btnMin, &QPushButton::clicked, this, &PlayerWidget::OnBtnMin);
    for (QImageButton* b : {m_btnClose, m_btnMax, m_btnMin})
        b->setFocusPolicy(Qt::NoFocus);
}

void PlayerWidget::connectParts() {
    PlayBtnWidget* bar = m_playBtnWidget;
    connect(bar, &PlayBtnWidget::emitBtnBack, this, &PlayerWidget::OnBtnBack);
    connect(bar, &PlayBtnWidget::emitBtnFast, this, &PlayerWidget::OnBtnFast);
    connect(bar, &PlayBtnWidget::emitBtnFullScreen, this, &PlayerWidget::OnBtnFullScreen);
    connect(bar, &PlayBtnWidget::emitBtnListset, this, &PlayerWidget::OnBtnListset);
    connect(bar, &PlayBtnWidget::emitBtnNextVideo, this, &PlayerWidget::OnBtnNextVideo);
    connect(bar, &PlayBtnWidget::emitBtnOpenFloder, this, &PlayerWidget::OnBtnOpenFile);
    connect(bar, &PlayBtnWidget::emitBtnPause, this, &PlayerWidget::OnBtnPause);
    connect(bar, &PlayBtnWidget::emitBtnPlay, this, &PlayerWidget::OnBtnPlay);
    connect(bar, &PlayBtnWidget::emitBtnSnapSetting, this, &PlayerWidget::OnBtnSnapSetting);
    connect(bar, &PlayBtnWidget::emitBtnSnapshoot, this, &PlayerWidget::OnBtnSnapshoot);
    connect(bar, &PlayBtnWidget::emitBtnStop, this, &PlayerWidget::OnBtnStop);
    connect(bar, &PlayBtnWidget::emitBtnVolume, this, &PlayerWidget::OnBtnVolume);
    connect(bar, &PlayBtnWidget::emitBtnPreVideo, this, &PlayerWidget::OnBtnPreVideo);
    connect(bar, &PlayBtnWidget::emitOpenSnapshotFolder, this, &PlayerWidget::OpenSnapshotFolder);
    connect(bar, &PlayBtnWidget::sendProgressValue, this, &PlayerWidget::ProgressValueChange);
    connect(bar, &PlayBtnWidget::sendVolumeValue, this, &PlayerWidget::VolumeValueChange);
    connect(m_videoWidget, &VideoSurfaceWidget::emitFullScreen, this,
            &PlayerWidget::repondFullScreen);
    connect(m_videoWidget, &VideoSurfaceWidget::emitShowBtn, this, &PlayerWidget::ShowPlayBtn);
    connect(m_videoWidget, &VideoSurfaceWidget::emitPlayOrPause, this,
            &PlayerWidget::VideoWidgetPress);
    connect(m_playListWidget, &PlayListWidget::emitDeleteVideo, this, &PlayerWidget::DeleteVideo);
    connect(m_playListWidget, &PlayListWidget::emitPlayVideo, this, &PlayerWidget::PlayVideoFile);
    m_playBtnWidget->m_volumeSlider->setValue(m_volume / 100.0);
}

// The keys a player's users expect, wherever the focus is in the window.
void PlayerWidget::buildShortcuts() {
    auto key = [this](QKeySequence sequence, auto slot) {
        auto* shortcut = new QShortcut(sequence, this);
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, this, slot);
    };
    key(Qt::Key_Space, [this] { VideoWidgetPress(); });
    key(Qt::Key_F, [this] { toggleFullScreenByKey(); });
    key(Qt::Key_Escape, [this] { leaveFullScreen(); });
    key(Qt::Key_Left, [this] { OnBtnBack(); });
    key(Qt::Key_Right, [this] { OnBtnFast(); });
    key(Qt::Key_Up, [this] { stepVolume(+5); });
    key(Qt::Key_Down, [this] { stepVolume(-5); });
    key(Qt::Key_M, [this] { m_playBtnWidget->OnBtnMute(); });
}

// ---- layout -------------------------------------------------------------------------

void PlayerWidget::layOut() {
    const int w = width();
    const int h = height();
    if (isFullScreenMode()) {
        m_screenArea->setGeometry(rect());
    } else {
        m_btnClose->move(w - 28, 7);
        m_btnMax->move(w - 51, 7);
        m_btnMin->move(w - 74, 7);
        m_videoNameLab->setGeometry(34, 7, qMax(0, w - 120), 20);
        const int top = kTitleBarHeight;
        const int barTop = h - kBorder - PlayBtnWidget::kBarHeight;
        const int listWidth = m_listShown ? PlayListWidget::kWidth : 0;
        m_playBtnWidget->setGeometry(kBorder, barTop, w - 2 * kBorder, PlayBtnWidget::kBarHeight);
        m_playListWidget->setGeometry(w - kBorder - listWidth, top, listWidth, barTop - top);
        m_playListWidget->setVisible(m_listShown);
        m_screenArea->setGeometry(kBorder, top, w - 2 * kBorder - listWidth, barTop - top);
    }
    m_videoWidget->setGeometry(m_screenArea->rect());
    m_messageLabel->setGeometry(m_screenArea->rect().adjusted(20, 20, -20, -20));
}

void PlayerWidget::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layOut();
}

void PlayerWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), kBorderColour);
    if (isFullScreenMode())
        return;
    const QRect title(0, 0, width(), kTitleBarHeight);
    if (m_top.isNull())
        painter.fillRect(title, QColor(44, 50, 54));
    else
        painter.drawPixmap(title, m_top);
}

// width = min(video width + list width + 2, desktop width - 304),
// height = min(video height + 84, available height - 200), centred.
void PlayerWidget::fitToVideo() {
    const QScreen* display = screen();
    const QRect desktop = display->geometry();
    const QRect available = display->availableGeometry();
    const int videoW = Player_GetVideoWidth(m_player);
    const int videoH = Player_GetVideoHeight(m_player);
    const int w = qMin(videoW + PlayListWidget::kWidth + 2, desktop.width() - 304);
    const int h = qMin(videoH + 84, available.height() - 200);
    resize(w, h);
    move((desktop.width() - width()) / 2, (available.height() - height()) / 2);
}

// ---- playing --------------------------------------------------------------------------

bool PlayerWidget::hasMedia() const {
    return !m_currentFile.isEmpty() && (Player_HasVideo(m_player) || Player_HasAudio(m_player));
}

void PlayerWidget::showMessage(const QString& text) {
    m_messageLabel->setText(text);
    m_messageLabel->setVisible(!text.isEmpty());
}

QString PlayerWidget::shownMessage() const {
    return m_messageLabel->isHidden() ? QString() : m_messageLabel->text();
}

void PlayerWidget::playFile(const QString& path) {
    m_playListWidget->addFile(path);
    if (isMinimized())
        showNormal();
    show();
    raise();
    activateWindow();
}

// The stopped look: the bar reset, no timers, no surface, no full screen.
void PlayerWidget::showStoppedLook() {
    m_playBtnWidget->resetBar();
    m_timeTimer->stop();
    m_screenTimer->stop();
    leaveFullScreen();
    m_videoWidget->hide();
    m_playBtnWidget->setFullScreenEnabled(false);
}

void PlayerWidget::PlayVideoFile(QString path) {
    if (!m_currentFile.isEmpty() && m_state != Finished && m_state != NothingLoaded)
        Player_Stop(m_player);
    m_videoNameLab->setText(path.section('/', -1));
    showMessage({});

    if (!Player_Open(m_player, path.toUtf8().constData())) {
        qCDebug(lcPlayer) << "error :---------OPen file Fail--------";
        m_state = Stopped;
        m_currentFile.clear();
        m_hasVideo = false;
        showStoppedLook();
        showMessage(tr("Cannot play %1: %2.").arg(path.section('/', -1), openFailureReason(path)));
        return;
    }
    m_hasVideo = Player_HasVideo(m_player);
    m_currentFile = path;
    m_videoWidget->setVideoSize(
        QSize(Player_GetVideoWidth(m_player), Player_GetVideoHeight(m_player)));
    m_videoWidget->setVisible(m_hasVideo);
    m_playBtnWidget->setFullScreenEnabled(m_hasVideo);
    if (!m_hasVideo)
        leaveFullScreen();

    // Only the first video of the process sizes the window; an audio file
    // has no picture to fit and leaves the flag for the next one.
    if (g_firstFileFits && m_hasVideo) {
        g_firstFileFits = false;
        if (!isMaximizedByToggle() && !isFullScreenMode())
            fitToVideo();
    }
    if (!isFullScreenMode())
        layOut();
    Player_SetVideoView(m_player, m_videoWidget->pictureWindow());
    startPlaying();
}

void PlayerWidget::startPlaying() {
    if (!Player_Play(m_player)) {
        qCDebug(lcPlayer) << "error :---------Play Fail--------";
        m_state = PlayFailed;
        m_videoWidget->hide();  // the reason shows where the picture would be
        showMessage(
            tr("Cannot play %1: playback could not start.").arg(m_currentFile.section('/', -1)));
        return;
    }
    applyVolume();
    m_state = Playing;
    m_playBtnWidget->showPauseButton(true);
    m_screenTimer->stop();
    m_timeTimer->start();
}

void PlayerWidget::OnBtnPlay() {
    if (!hasMedia()) {
        m_playBtnWidget->resetBar();
        // Nothing is loaded: the list's current file, or its first, plays.
        if (!m_playListWidget->rows().isEmpty()) {
            if (m_playListWidget->current().isEmpty())
                m_playListWidget->playNext();
            else
                m_playListWidget->addFile(m_playListWidget->current());
        }
        return;
    }
    if (!Player_Play(m_player)) {
        qCDebug(lcPlayer) << "error :---------Play Fail--------";
        m_state = PlayFailed;
        return;
    }
    applyVolume();
    m_videoWidget->setVisible(m_hasVideo);
    m_playBtnWidget->setFullScreenEnabled(m_hasVideo);
    m_state = Playing;
    m_screenTimer->stop();
    m_timeTimer->start();
    m_playBtnWidget->showPauseButton(true);
}

void PlayerWidget::OnBtnPause() {
    if (!Player_Pause(m_player)) {
        qCDebug(lcPlayer) << "error :---------Pause Fail--------";
        return;
    }
    m_state = Paused;
    m_screenTimer->start();
    m_timeTimer->stop();
    m_playBtnWidget->showPauseButton(false);
}

void PlayerWidget::VideoWidgetPress() {
    if (m_state == Playing)
        OnBtnPause();
    else
        OnBtnPlay();
}

void PlayerWidget::OnBtnStop() {
    if (!hasMedia() || m_state == Finished)
        return;
    if (!Player_Stop(m_player))
        qCDebug(lcPlayer) << "error :---------Stop Fail--------";
    m_state = Stopped;
    showStoppedLook();
}

void PlayerWidget::seekTo(qint64 us) {
    Player_Seek(m_player, qMax<qint64>(us, 0));
    showTime();
}

void PlayerWidget::OnBtnBack() {
    if (!isPlayingOrPaused())
        return;
    const qint64 played = Player_GetPlayTime(m_player);
    seekTo(played < kStepUs ? 0 : played - kStepUs);
}

void PlayerWidget::OnBtnFast() {
    if (!isPlayingOrPaused())
        return;
    const qint64 played = Player_GetPlayTime(m_player);
    const qint64 lastSecond = Player_GetDuration(m_player) - 1'000'000;
    seekTo(qMin(played + kStepUs, lastSecond));
}

void PlayerWidget::ProgressValueChange(double value) {
    if (!isPlayingOrPaused())
        return;
    seekTo(qint64(double(Player_GetDuration(m_player)) * qBound(0.0, value, 1.0)));
}

void PlayerWidget::applyVolume() {
    m_engineVolume = m_muted ? 0 : m_volume;
    Player_SetAudioVolume(m_player, m_engineVolume);
}

void PlayerWidget::VolumeValueChange(double value) {
    m_volume = qBound(0, qRound(value * 100), 100);
    if (!m_muted)
        applyVolume();
}

void PlayerWidget::OnBtnVolume(bool muted) {
    m_muted = muted;
    applyVolume();
    m_playBtnWidget->m_volumeSlider->setValue(muted ? 0.0 : m_volume / 100.0);
}

void PlayerWidget::stepVolume(int delta) {
    m_volume = qBound(0, m_volume + delta, 100);
    if (!m_muted) {
        applyVolume();
        m_playBtnWidget->m_volumeSlider->setValue(m_volume / 100.0);
    }
}

void PlayerWidget::showTime() {
    const qint64 total = Player_GetDuration(m_player);
    const qint64 played = Player_GetPlayTime(m_player);
    const double position = total > 0 ? double(played) / double(total) : 0.0;
    m_playBtnWidget->m_videoProSlider->setValue(position);
    m_playBtnWidget->m_timeLabel->setText(playtime::playedOfTotal(played, total));
    m_playBtnWidget->m_timeLabel->setVisible(position > 0.0001);
}

void PlayerWidget::UpdateTime() {
    if (Player_IsCompleted(m_player)) {
        m_state = Finished;
        qCDebug(lcPlayer) << "paly__finish---";
        showStoppedLook();
        return;
    }
    showTime();
}

void PlayerWidget::UpdataScreen() {
    if (m_hasVideo && m_state != Finished)
        Player_ShowVideoFrame(m_player);
}

void PlayerWidget::stopAndClose() {
    OnBtnStop();
    leaveFullScreen();
    Player_Close(m_player);
    m_currentFile.clear();
    m_hasVideo = false;
    showStoppedLook();
}

void PlayerWidget::DeleteVideo() {
    stopAndClose();
    m_videoNameLab->clear();
    showMessage({});
}

void PlayerWidget::OnBtnClose() {
    stopAndClose();
    hide();
}

void PlayerWidget::closeEvent(QCloseEvent* event) {
    stopAndClose();
    event->accept();
}

void PlayerWidget::OnBtnNextVideo() {
    m_playListWidget->playNext();
}

void PlayerWidget::OnBtnPreVideo() {
    m_playListWidget->playPrevious();
}

void PlayerWidget::OnBtnOpenFile() {
    const QStringList files = QFileDialog::getOpenFileNames(
        this, tr("Open Files"), QDir::homePath(),
        tr("Media files (*.mp4 *.m4v *.mkv *.webm *.flv *.avi *.mov *.wmv *.mpg *.mpeg *.ts "
           "*.3gp *.ogv *.mp3 *.m4a *.aac *.ogg *.oga *.opus *.flac *.wav *.wma);;All files (*)"),
        nullptr, QFileDialog::DontUseNativeDialog);
    m_playListWidget->addFiles(files, true);
}

// ---- window ---------------------------------------------------------------------------

void PlayerWidget::OnBtnListset() {
    m_listShown = !m_listShown;
    m_playBtnWidget->setListShownLook(m_listShown);
    layOut();
}

void PlayerWidget::OnBtnMax() {
    if (!isFullScreenMode())
        m_resizer->toggleMaximised();
}

void PlayerWidget::OnBtnMin() {
    showMinimized();
}

void PlayerWidget::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && event->position().y() < kTitleBarHeight &&
        !isMaximizedByToggle() && !isFullScreenMode()) {
        m_dragging = true;
        m_dragOffset = event->position().toPoint();
    }
    QWidget::mousePressEvent(event);
}

void PlayerWidget::mouseMoveEvent(QMouseEvent* event) {
    if (m_dragging && (event->buttons() & Qt::LeftButton))
        move(event->globalPosition().toPoint() - m_dragOffset);
    QWidget::mouseMoveEvent(event);
}

void PlayerWidget::mouseReleaseEvent(QMouseEvent* event) {
    m_dragging = false;
    QWidget::mouseReleaseEvent(event);
}

void PlayerWidget::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->position().y() < kTitleBarHeight && !isFullScreenMode())
        OnBtnMax();
    QWidget::mouseDoubleClickEvent(event);
}

void PlayerWidget::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasFormat("text/uri-list"))
        event->acceptProposedAction();
}

// Files dropped on the window (not on its list) are played at once: the
// user aimed at the screen.
void PlayerWidget::dropEvent(QDropEvent* event) {
    QStringList paths;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile())
            paths << url.toLocalFile();
    }
    event->acceptProposedAction();
    m_playListWidget->addFiles(paths, true);
}

// ---- full screen ------------------------------------------------------------------------

bool PlayerWidget::isMaximizedByToggle() const {
    return m_resizer->isMaximised();
}

bool PlayerWidget::isFullScreenMode() const {
    return m_videoWidget && m_videoWidget->isFullScreenMode();
}

void PlayerWidget::OnBtnFullScreen() {
    if (!m_hasVideo) {
        m_playBtnWidget->setFullScreenLook(false);
        return;
    }
    m_videoWidget->setFullScreenMode(!m_videoWidget->isFullScreenMode());
    repondFullScreen();
}

void PlayerWidget::toggleFullScreenByKey() {
    if (m_playBtnWidget->m_btnFullScreen->isEnabled())
        OnBtnFullScreen();
}

void PlayerWidget::leaveFullScreen() {
    if (!isFullScreenMode())
        return;
    m_videoWidget->setFullScreenMode(false);
    repondFullScreen();
}

void PlayerWidget::repondFullScreen() {
    const bool full = isFullScreenMode();
    if (full && !m_hasVideo) {
        m_videoWidget->setFullScreenMode(false);
        return;
    }
    m_playBtnWidget->setFullScreenLook(full);
    for (QWidget* w : {static_cast<QWidget*>(m_btnClose), static_cast<QWidget*>(m_btnMax),
                       static_cast<QWidget*>(m_btnMin), static_cast<QWidget*>(m_labWinIcon),
                       static_cast<QWidget*>(m_videoNameLab)})
        w->setVisible(!full);
    m_resizer->setEnabled(!full && !isMaximizedByToggle());
    if (full) {
        m_playListWidget->hide();
        enterFloatingBar();
        showFullScreen();
        // Without a window manager the state alone does not resize.
        setGeometry(screen()->geometry());
    } else {
        leaveFloatingBar();
        showNormal();
        m_resizer->reapplyMaximised();
    }
    layOut();
    update();
}

// While full screen the control bar is a window of its own over the bottom
// of the screen, shown while the pointer is near the bottom edge.
void PlayerWidget::enterFloatingBar() {
    m_playBtnWidget->hide();
    m_playBtnWidget->setParent(this, Qt::Tool | Qt::FramelessWindowHint |
                                         Qt::WindowDoesNotAcceptFocus | Qt::WindowStaysOnTopHint);
    const QRect desktop = screen()->geometry();
    m_playBtnWidget->setGeometry(desktop.x(), desktop.bottom() + 1 - PlayBtnWidget::kBarHeight,
                                 desktop.width(), PlayBtnWidget::kBarHeight);
}

void PlayerWidget::leaveFloatingBar() {
    if (m_playBtnWidget->isWindow()) {
        m_playBtnWidget->hide();
        m_playBtnWidget->setParent(this, Qt::Widget);
    }
    m_playBtnWidget->show();
}

void PlayerWidget::ShowPlayBtn(bool show) {
    if (!isFullScreenMode() || !m_playBtnWidget->isWindow())
        return;
    if (show) {
        const QRect desktop = screen()->geometry();
        m_playBtnWidget->setGeometry(desktop.x(), desktop.bottom() + 1 - PlayBtnWidget::kBarHeight,
                                     desktop.width(), PlayBtnWidget::kBarHeight);
        m_playBtnWidget->show();
        m_playBtnWidget->raise();
    } else {
        m_playBtnWidget->hide();
    }
}

// ---- snapshots --------------------------------------------------------------------------

void PlayerWidget::OnBtnSnapshoot() {
    if (!isPlayingOrPaused())
        return;
    const QString file = m_currentFile;
    const qint64 at = Player_GetPlayTime(m_player);
    const PreferencesStore& store = PreferencesStore::instance();
    const QString folder = store.snapshotPath;
    const QString format = store.snapshotFormat;
    const QDateTime when = QDateTime::currentDateTime();
    m_jobs->run<snapshot::Saved>(
        this,
        [file, at, folder, format, when]() -> snapshot::Saved {
            const QImage frame = mediajobs::frameAt(file, at, 0);
            if (frame.isNull())
                return {};  // no frame: skipped
            if (folder.isEmpty())
                return {{}, QObject::tr("no snapshot folder is set")};
            return snapshot::save(frame, folder, format, when);
        },
        [this](const snapshot::Saved& saved) {
            if (saved.path.isEmpty() && saved.error.isEmpty())
                return;
            if (!saved.error.isEmpty()) {
                qCWarning(lcPlayer) << "snapshot failed:" << saved.error;
                NoticePopup::shared().showNotice(
                    {}, tr("The snapshot was not saved: %1.").arg(saved.error));
            } else {
                NoticePopup::shared().showNotice(
                    {}, tr("Snapshot saved as %1").arg(saved.path.section('/', -1)));
            }
            emit emitSnapshotDone(saved.path, saved.error);
        });
}

void PlayerWidget::OnBtnSnapSetting() {
    if (!m_snapDialog)
        m_snapDialog = new SanpSsetDialog(this);
    m_snapDialog->show();
    m_snapDialog->raise();
}

void PlayerWidget::OpenSnapshotFolder() {
    const QString folder = PreferencesStore::instance().snapshotPath;
    if (folder.isEmpty() || !PreferencesStore::ensureFolder(folder)) {
        NoticePopup::shared().showNotice(
            {}, tr("The snapshot folder %1 cannot be created.").arg(folder));
        return;
    }
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(folder)))
        NoticePopup::shared().showNotice({}, tr("No program opens the folder %1.").arg(folder));
}
