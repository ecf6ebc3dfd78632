#include "player/video_surface.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTimer>

VideoSurfaceWidget::VideoSurfaceWidget(QWidget* parent) : QWidget(parent) {
    setObjectName("m_videoWidget");
    setAutoFillBackground(true);
    QPalette ground = palette();
    ground.setColor(QPalette::Window, Qt::black);
    setPalette(ground);
    setMouseTracking(true);

    // The engine's video output needs a window of its own that exists before
    // the first frame; its ancestors stay plain widgets.
    m_picture = new QWidget(this);
    m_picture->setObjectName("m_videoPicture");
    m_picture->setAttribute(Qt::WA_NativeWindow);
    m_picture->setAttribute(Qt::WA_DontCreateNativeAncestors);
    m_picture->setAutoFillBackground(true);
    m_picture->setPalette(ground);
    m_picture->setMouseTracking(true);

    // A click waits out the double-click interval, so that a double click
    // toggles full screen without pausing on its first click.
    m_clickTimer = new QTimer(this);
    m_clickTimer->setSingleShot(true);
    connect(m_clickTimer, &QTimer::timeout, this, &VideoSurfaceWidget::emitPlayOrPause);
}

WId VideoSurfaceWidget::pictureWindow() {
    return m_picture->winId();
}

void VideoSurfaceWidget::setVideoSize(const QSize& size) {
    m_videoSize = size;
    placePicture();
}

QRect VideoSurfaceWidget::fittedRect(const QSize& video, const QRect& area) {
    if (video.isEmpty() || area.isEmpty())
        return area;
    const QSize fitted = video.scaled(area.size(), Qt::KeepAspectRatio);
    return QRect(area.x() + (area.width() - fitted.width()) / 2,
                 area.y() + (area.height() - fitted.height()) / 2, fitted.width(), fitted.height());
}

void VideoSurfaceWidget::setFullScreenMode(bool on) {
    m_fullScreen = on;
    placePicture();
}

void VideoSurfaceWidget::placePicture() {
    m_picture->setGeometry(fittedRect(m_videoSize, rect()));
}

void VideoSurfaceWidget::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    placePicture();
}

// Events that reach the native picture are not handled there and come up
// to the surface in its own coordinates.
void VideoSurfaceWidget::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        m_pressed = true;
        m_pressPos = event->globalPosition().toPoint();
    }
    event->accept();
}

void VideoSurfaceWidget::mouseReleaseEvent(QMouseEvent* event) {
    const bool click = m_pressed && !m_doubleClicked && event->button() == Qt::LeftButton &&
                       event->globalPosition().toPoint() == m_pressPos;
    m_pressed = false;
    m_doubleClicked = false;
    event->accept();
    if (click)
        m_clickTimer->start(QApplication::doubleClickInterval());
}

void VideoSurfaceWidget::mouseDoubleClickEvent(QMouseEvent* event) {
    event->accept();
    if (event->button() != Qt::LeftButton)
        return;
    m_doubleClicked = true;
    m_clickTimer->stop();
    m_fullScreen = !m_fullScreen;
    placePicture();
    emit emitFullScreen();
}

void VideoSurfaceWidget::mouseMoveEvent(QMouseEvent* event) {
    event->accept();
    if (m_fullScreen)
        emit emitShowBtn(event->position().y() > height() - kFloatingBarBand);
}
