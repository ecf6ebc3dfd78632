#include "widgets/image_widget.h"

#include <QMouseEvent>
#include <QPainter>

QImageWidget::QImageWidget(QWidget* parent) : QWidget(parent) {}

bool QImageWidget::setImage(const QString& path) {
    QPixmap picture;
    const bool loaded = picture.load(path);
    m_image = loaded ? picture : QPixmap();
    update();
    return loaded;
}

void QImageWidget::setPixmap(const QPixmap& pixmap) {
    m_image = pixmap;
    update();
}

void QImageWidget::paintEvent(QPaintEvent*) {
    if (m_image.isNull())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawPixmap(rect(), m_image);
}

void QImageWidget::mousePressEvent(QMouseEvent* event) {
    if (m_movable && event->button() == Qt::LeftButton) {
        m_dragging = true;
        m_pressOffset = event->position().toPoint();
    }
    QWidget::mousePressEvent(event);
}

void QImageWidget::mouseMoveEvent(QMouseEvent* event) {
    // The press point stays under the pointer while dragging.
    if (m_dragging)
        move(mapToParent(event->position().toPoint() - m_pressOffset));
    QWidget::mouseMoveEvent(event);
}

void QImageWidget::mouseReleaseEvent(QMouseEvent* event) {
    m_dragging = false;
    QWidget::mouseReleaseEvent(event);
}
