// The player's video surface: a black area holding the native window the
// engine draws into, sized to the video's aspect ratio and centred. It turns
// clicks into play/pause, double clicks into the full-screen toggle and,
// while full screen, pointer moves into show/hide requests for the floating
// control bar.
#pragma once

#include <QPoint>
#include <QSize>
#include <QWidget>

class QTimer;

class VideoSurfaceWidget : public QWidget {
    Q_OBJECT
public:
    // The band at the bottom of a full-screen surface that calls up the
    // floating control bar: the cursor is in it when y > height - 80.
    static constexpr int kFloatingBarBand = 80;

    explicit VideoSurfaceWidget(QWidget* parent = nullptr);

    // The native window the engine draws into.
    QWidget* picture() const { return m_picture; }
    WId pictureWindow();

    // The video's size in pixels (an empty size fills the whole surface).
    void setVideoSize(const QSize& size);
    // The largest rectangle of the video's aspect ratio inside `area`,
    // centred: fitted to the width or the height, whichever limits.
    static QRect fittedRect(const QSize& video, const QRect& area);

    bool isFullScreenMode() const { return m_fullScreen; }
    void setFullScreenMode(bool on);

signals:
    void emitFullScreen();
    void emitShowBtn(bool show);
    void emitPlayOrPause();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void placePicture();

    QWidget* m_picture;
    QSize m_videoSize;
    bool m_fullScreen = false;
    QPoint m_pressPos;
    bool m_pressed = false;
    bool m_doubleClicked = false;
    QTimer* m_clickTimer;  // the release that ends a double click is no click
};
