#include "player/play_btn_widget.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QVBoxLayout>

#include "core/app_files.h"
#include "widgets/image_button.h"
#include "widgets/skinned_form.h"
#include "widgets/slider_ctrl.h"

PlayBtnWidget::PlayBtnWidget(QWidget* parent) : QWidget(parent) {
    setObjectName("m_playBtnWidget");
    setFixedHeight(kBarHeight);
    m_background.load(appfiles::path("/image/PlayerImage/bg.png"));

    m_btnBack = button("m_btnBack", "PLAY_BTN_Deceleration.png", tr("Back 5 seconds"));
    m_videoProSlider = slider("m_videoProSlider");
    m_btnFast = button("m_btnFast", "PLAY_BTN_Aceleration.png", tr("Forward 5 seconds"));
    m_btnStop = button("m_btnStop", "Play_Stop_btn.png", tr("Stop"));
    m_btnPreVideo = button("m_btnPreVideo", "Play_previous_btn.png", tr("Previous"));
    m_btnPlay = button("m_btnPlay", "Play_pase_PLAY_btn.png", tr("Play"));
    m_btnPause = button("m_btnPause", "Play_pase_btn.png", tr("Pause"));
    m_btnNextVideo = button("m_btnNextVideo", "Play_next_btn.png", tr("Next"));
    m_btnVolume = button("m_btnVolume", "Play_volume_btn.png", tr("Mute"));
    m_btnMute = button("m_btnMute", "Play_mute_btn.png", tr("Sound on"));
    m_volumeSlider = slider("m_volumeSlider");
    m_volumeSlider->setFixedWidth(80);
    m_btnSnapSetting = button("m_btnSnapSetting", "Burst_shooting.png", tr("Snapshot settings"));
    m_btnOpenFloder = button("m_btnOpenFloder", "Play_btn_Open_files.png", tr("Open files"));
    m_btnSnapshoot = button("m_btnSnapshoot", "Play_btn_Snapshot.png", tr("Snapshot"));
    m_btnFullScreen = button("m_btnFullScreen", "Play_fullscreen_btn.png", tr("Full screen"));
    m_btnNormalScreen =
        button("m_btnNormalScreen", "Play_normalscreen_btn.png", tr("Leave full screen"));
    m_btnOpenList = button("m_btnOpenList", "Play_openlist_btn.png", tr("Show the play list"));
    m_btnCloseList = button("m_btnCloseList", "Play_closelist_btn.png", tr("Hide the play list"));
    m_timeLabel = skinned::label(this, kIdleTime, 12);
    m_timeLabel->setObjectName("m_timeLabel");
    m_timeLabel->setStyleSheet("color: rgb(200, 208, 212);");
    buildLayout();

    m_btnPause->hide();
    m_btnMute->hide();
    m_btnNormalScreen->hide();
    m_btnOpenList->hide();  // the list is shown at start
    m_timeLabel->hide();

    m_snapMenu = new QMenu(this);
    m_snapMenu->setStyleSheet(skinned::menuStyle());
    m_snapMenu->addAction(tr("Open Floder"), this, &PlayBtnWidget::OnActOpenFolder);
    m_snapMenu->addAction(tr("Settings"), this, &PlayBtnWidget::OnActSetting);

    connect(m_btnBack, &QPushButton::clicked, this, &PlayBtnWidget::emitBtnBack);
    connect(m_btnFast, &QPushButton::clicked, this, &PlayBtnWidget::emitBtnFast);
    connect(m_btnStop, &QPushButton::clicked, this, &PlayBtnWidget::emitBtnStop);
    connect(m_btnPreVideo, &QPushButton::clicked, this, &PlayBtnWidget::emitBtnPreVideo);
    connect(m_btnNextVideo, &QPushButton::clicked, this, &PlayBtnWidget::emitBtnNextVideo);
    connect(m_btnPlay, &QPushButton::clicked, this, &PlayBtnWidget::OnBtnPalyOrPause);
    connect(m_btnPause, &QPushButton::clicked, this, &PlayBtnWidget::OnBtnPalyOrPause);
    connect(m_btnVolume, &QPushButton::clicked, this, &PlayBtnWidget::OnBtnMute);
    connect(m_btnMute, &QPushButton::clicked, this, &PlayBtnWidget::OnBtnMute);
    connect(m_btnSnapSetting, &QPushButton::clicked, this, &PlayBtnWidget::OnBtnSnapSetting);
    connect(m_btnOpenFloder, &QPushButton::clicked, this, &PlayBtnWidget::emitBtnOpenFloder);
    connect(m_btnSnapshoot, &QPushButton::clicked, this, &PlayBtnWidget::emitBtnSnapshoot);
    connect(m_btnFullScreen, &QPushButton::clicked, this, &PlayBtnWidget::OnBtnFullScreen);
    connect(m_btnNormalScreen, &QPushButton::clicked, this, &PlayBtnWidget::OnBtnFullScreen);
    connect(m_btnOpenList, &QPushButton::clicked, this, &PlayBtnWidget::OnListSet);
    connect(m_btnCloseList, &QPushButton::clicked, this, &PlayBtnWidget::OnListSet);
    connect(m_videoProSlider, &qSliderCtrl::sendProgressValue, this,
            &PlayBtnWidget::sendProgressValue);
    connect(m_volumeSlider, &qSliderCtrl::sendProgressValue, this, &PlayBtnWidget::sendVolumeValue);
}

QImageButton* PlayBtnWidget::button(const char* name, const char* image, const QString& tip) {
    // The window's keys act on the player, so no button takes the focus.
    QImageButton* b = skinned::imageButton(this, QString("/image/PlayerImage/") + image,
                                           {.objectName = name, .text = tip, .toolTip = tip});
    b->setFocusPolicy(Qt::NoFocus);
    return b;
}

qSliderCtrl* PlayBtnWidget::slider(const char* name) {
    auto* bar = new qSliderCtrl(this);
    bar->setObjectName(name);
    bar->setGrooveImage(appfiles::path("/image/PlayerImage/progress_groove.png"));
    bar->setFillImage(appfiles::path("/image/PlayerImage/progress_fill.png"));
    bar->setHandleImage(appfiles::path("/image/PlayerImage/progress_handle.png"));
    bar->setHandleY((bar->height() - bar->handleWidth()) / 2);
    bar->setDragEnabled(true);
    bar->setRange(0, 1);
    bar->setValue(0);
    bar->setMinimumWidth(60);
    bar->setFixedHeight(bar->height());
    return bar;
}

void PlayBtnWidget::buildLayout() {
    auto* rows = new QVBoxLayout(this);
    rows->setContentsMargins(10, 4, 10, 4);
    rows->setSpacing(2);
    auto* seekRow = new QHBoxLayout;
    seekRow->setSpacing(6);
    seekRow->addWidget(m_btnBack);
    seekRow->addWidget(m_videoProSlider, 1);
    seekRow->addWidget(m_btnFast);
    rows->addLayout(seekRow);

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(4);
    for (QWidget* w : {static_cast<QWidget*>(m_btnStop), static_cast<QWidget*>(m_btnPreVideo),
                       static_cast<QWidget*>(m_btnPlay), static_cast<QWidget*>(m_btnPause),
                       static_cast<QWidget*>(m_btnNextVideo), static_cast<QWidget*>(m_btnVolume),
                       static_cast<QWidget*>(m_btnMute), static_cast<QWidget*>(m_volumeSlider)})
        buttons->addWidget(w);
    buttons->addSpacing(12);
    buttons->addWidget(m_timeLabel);
    buttons->addStretch(1);
    for (QWidget* w :
         {static_cast<QWidget*>(m_btnSnapSetting), static_cast<QWidget*>(m_btnOpenFloder),
          static_cast<QWidget*>(m_btnSnapshoot), static_cast<QWidget*>(m_btnFullScreen),
          static_cast<QWidget*>(m_btnNormalScreen), static_cast<QWidget*>(m_btnOpenList),
          static_cast<QWidget*>(m_btnCloseList)})
        buttons->addWidget(w);
    rows->addLayout(buttons);
}

void PlayBtnWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (m_background.isNull())
        painter.fillRect(rect(), QColor(24, 28, 31));
    else
        painter.drawPixmap(rect(), m_background);
}

void PlayBtnWidget::resetBar() {
    m_timeLabel->setText(kIdleTime);
    m_timeLabel->hide();
    m_videoProSlider->setValue(0);
    showPauseButton(false);
}

void PlayBtnWidget::showPauseButton(bool pauseShown) {
    m_btnPause->setVisible(pauseShown);
    m_btnPlay->setVisible(!pauseShown);
}

void PlayBtnWidget::setFullScreenEnabled(bool enabled) {
    m_btnFullScreen->setEnabled(enabled);
    m_btnNormalScreen->setEnabled(enabled);
}

void PlayBtnWidget::setFullScreenLook(bool fullScreen) {
    m_btnNormalScreen->setVisible(fullScreen);
    m_btnFullScreen->setVisible(!fullScreen);
}

void PlayBtnWidget::setMutedLook(bool muted) {
    m_btnMute->setVisible(muted);
    m_btnVolume->setVisible(!muted);
}

bool PlayBtnWidget::isMutedLook() const {
    return !m_btnMute->isHidden();
}

void PlayBtnWidget::setListShownLook(bool shown) {
    m_btnCloseList->setVisible(shown);
    m_btnOpenList->setVisible(!shown);
}

void PlayBtnWidget::OnBtnPalyOrPause() {
    if (!m_btnPause->isHidden())
        emit emitBtnPause();
    else
        emit emitBtnPlay();
}

void PlayBtnWidget::OnListSet() {
    setListShownLook(m_btnCloseList->isHidden());
    emit emitBtnListset();
}

void PlayBtnWidget::OnBtnMute() {
    const bool muted = !isMutedLook();
    setMutedLook(muted);
    emit emitBtnVolume(muted);
}

void PlayBtnWidget::OnBtnFullScreen() {
    setFullScreenLook(m_btnNormalScreen->isHidden());
    emit emitBtnFullScreen();
}

void PlayBtnWidget::OnBtnSnapSetting() {
    m_snapMenu->popup(m_btnSnapSetting->mapToGlobal(QPoint(0, 0)) -
                      QPoint(0, m_snapMenu->sizeHint().height()));
}

void PlayBtnWidget::OnActOpenFolder() {
    emit emitOpenSnapshotFolder();
}

void PlayBtnWidget::OnActSetting() {
    emit emitBtnSnapSetting();
}
