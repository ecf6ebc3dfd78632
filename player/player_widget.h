// The player window: one top-level, frameless window per process, created
// hidden by the main window at start, shown when a list plays a file,
// hidden (kept) by its close button and destroyed by the quit sequence. It
// plays local files through the media engine's player, with its title bar,
// video surface, control bar, play list and snapshots.
//
// GUI thread only. No call made here waits on the playback core: the engine
// answers from state it keeps up to date by itself, polled by the timers.
#pragma once

#include <QPixmap>
#include <QRect>
#include <QWidget>

#include "kestrel/kestrel.h"

class EdgeResizer;
class MediaJobRunner;
class PlayBtnWidget;
class PlayListWidget;
class QImageButton;
class QLabel;
class QTimer;
class SanpSsetDialog;
class VideoSurfaceWidget;

class PlayerWidget : public QWidget {
    Q_OBJECT
public:
    enum PlayState {
        NothingLoaded = 0,
        Playing = 1,
        Paused = 2,
        Finished = 3,
        Stopped = 4,
        PlayFailed = 5
    };
    static constexpr int kTimeIntervalMs = 500;
    static constexpr int kScreenIntervalMs = 50;
    static constexpr int kTitleBarHeight = 34;
    static constexpr int kStartVolume = 50;
    static constexpr qint64 kStepUs = 5'000'000;

    // The one instance, created on first request (top-level, hidden).
    static PlayerWidget* instance();
    // Whether the instance exists; destroyInstance() deletes it.
    static bool exists();
    static void destroyInstance();
    // Lets the next file played size the window again (tests; the flag is
    // set once per process otherwise).
    static void resetFirstFileFit();

    // Plays `path` through the play list and shows the window.
    void playFile(const QString& path);

    PlayState state() const { return m_state; }
    const QString& currentFile() const { return m_currentFile; }
    int volume() const { return m_volume; }
    bool isMuted() const { return m_muted; }
    // The volume last handed to the engine.
    int engineVolume() const { return m_engineVolume; }
    kestrel_handle engine() const { return m_player; }
    bool isFullScreenMode() const;
    bool isMaximizedByToggle() const;
    // The reason shown in the window when a file could not be played, or
    // empty.
    QString shownMessage() const;
    QTimer* timeTimer() const { return m_timeTimer; }
    QTimer* screenTimer() const { return m_screenTimer; }
    SanpSsetDialog* snapshotDialog() const { return m_snapDialog; }
    MediaJobRunner* snapshotJobs() const { return m_jobs; }

    QImageButton* m_btnClose;
    QImageButton* m_btnMax;
    QImageButton* m_btnMin;
    QLabel* m_labWinIcon;
    QLabel* m_videoNameLab;
    VideoSurfaceWidget* m_videoWidget;
    PlayListWidget* m_playListWidget;
    PlayBtnWidget* m_playBtnWidget;

signals:
    // A snapshot was written to `path`, or failed for `error`; a frame the
    // engine did not give is skipped without either.
    void emitSnapshotDone(QString path, QString error);

public slots:
    void OnBtnClose();
    void OnBtnBack();
    void OnBtnFast();
    void OnBtnFullScreen();
    void OnBtnListset();
    void OnBtnMax();
    void OnBtnMin();
    void OnBtnNextVideo();
    void OnBtnPreVideo();
    void OnBtnOpenFile();
    void OnBtnSnapSetting();
    void OnBtnSnapshoot();
    void OnBtnPause();
    void OnBtnPlay();
    void OnBtnStop();
    void OnBtnVolume(bool muted);
    void ProgressValueChange(double value);
    void VolumeValueChange(double value);
    void UpdateTime();
    void UpdataScreen();
    void PlayVideoFile(QString path);
    void DeleteVideo();
    void ShowPlayBtn(bool show);
    void repondFullScreen();
    void VideoWidgetPress();
    // "Open Floder" of the snapshot menu.
    void OpenSnapshotFolder();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    PlayerWidget();
    ~PlayerWidget() override;

    void buildTitleBar();
    void buildShortcuts();
    void connectParts();
    void layOut();
    void fitToVideo();
    void showStoppedLook();
    void leaveFullScreen();
    void enterFloatingBar();
    void leaveFloatingBar();
    void stopAndClose();
    void applyVolume();
    void startPlaying();
    void showTime();
    void showMessage(const QString& text);
    bool hasMedia() const;
    bool isPlayingOrPaused() const { return m_state == Playing || m_state == Paused; }
    void seekTo(qint64 us);
    void stepVolume(int delta);
    void toggleFullScreenByKey();

    kestrel_handle m_player = 0;
    PlayState m_state = NothingLoaded;
    QString m_currentFile;
    int m_volume = kStartVolume;
    bool m_muted = false;
    int m_engineVolume = kStartVolume;
    bool m_hasVideo = false;
    QTimer* m_timeTimer;
    QTimer* m_screenTimer;
    bool m_listShown = true;
    QWidget* m_screenArea;
    QLabel* m_messageLabel;
    QPixmap m_top;
    SanpSsetDialog* m_snapDialog = nullptr;
    MediaJobRunner* m_jobs;
    EdgeResizer* m_resizer = nullptr;
    QPoint m_dragOffset;
    bool m_dragging = false;
};
