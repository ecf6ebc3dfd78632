// The player's control bar: back, position slider and fast on the upper
// row; stop, previous, play or pause, next, volume or mute, the volume
// slider, the snapshot buttons, the full-screen and play-list toggles and
// the time on the lower row. It only reports the user's wishes; the player
// window decides and sets the look back.
#pragma once

#include <QWidget>

class QImageButton;
class QLabel;
class QMenu;
class qSliderCtrl;

class PlayBtnWidget : public QWidget {
    Q_OBJECT
public:
    static constexpr int kBarHeight = 70;
    static constexpr const char* kIdleTime = "00:00:00 / 00:00:00";

    explicit PlayBtnWidget(QWidget* parent = nullptr);

    // The stopped look: the time label back to its idle text and hidden,
    // the position at 0, the play button shown.
    void resetBar();
    void showPauseButton(bool pauseShown);
    void setFullScreenEnabled(bool enabled);
    void setFullScreenLook(bool fullScreen);
    void setMutedLook(bool muted);
    void setListShownLook(bool shown);
    bool isMutedLook() const;

    QMenu* snapshotMenu() const { return m_snapMenu; }

    QImageButton* m_btnBack;
    qSliderCtrl* m_videoProSlider;
    QImageButton* m_btnFast;
    QImageButton* m_btnStop;
    QImageButton* m_btnPreVideo;
    QImageButton* m_btnPlay;
    QImageButton* m_btnPause;
    QImageButton* m_btnNextVideo;
    QImageButton* m_btnVolume;
    QImageButton* m_btnMute;
    qSliderCtrl* m_volumeSlider;
    QImageButton* m_btnSnapSetting;
    QImageButton* m_btnOpenFloder;
    QImageButton* m_btnSnapshoot;
    QImageButton* m_btnFullScreen;
    QImageButton* m_btnNormalScreen;
    QImageButton* m_btnOpenList;
    QImageButton* m_btnCloseList;
    QLabel* m_timeLabel;

signals:
    void emitBtnBack();
    void emitBtnFast();
    void emitBtnFullScreen();
    void emitBtnListset();
    void emitBtnNextVideo();
    void emitBtnOpenFloder();
    void emitBtnPause();
    void emitBtnPlay();
    void emitBtnSnapSetting();
    void emitBtnSnapshoot();
    void emitBtnStop();
    void emitBtnVolume(bool muted);
    void emitBtnPreVideo();
    void emitOpenSnapshotFolder();
    void sendProgressValue(double fraction);
    void sendVolumeValue(double fraction);

public slots:
    void OnBtnPalyOrPause();
    void OnListSet();
    void OnBtnMute();
    void OnBtnFullScreen();
    void OnBtnSnapSetting();
    void OnActOpenFolder();
    void OnActSetting();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImageButton* button(const char* name, const char* image, const QString& tip);
    qSliderCtrl* slider(const char* name);
    void buildLayout();

    QPixmap m_background;
    QMenu* m_snapMenu;
};
