#include "widgets/image_button.h"

#include <QEnterEvent>
#include <QMouseEvent>
#include <QPainter>

QImageButton::QImageButton(QWidget* parent) : QPushButton(parent) {
    setFlat(true);
    setFocusPolicy(Qt::NoFocus);
}

bool QImageButton::setImage(const QString& path) {
    QPixmap strip;
    if (!strip.load(path) || strip.width() == 0) {
        m_image = QPixmap();
        update();
        return false;
    }
    m_image = strip;
    setFixedSize(strip.width() / 4, strip.height());
    update();
    return true;
}

void QImageButton::setState(State state) {
    if (m_state == state)
        return;
    m_state = state;
    update();
}

void QImageButton::paintEvent(QPaintEvent*) {
    if (m_image.isNull())
        return;
    QPainter painter(this);
    const int frameWidth = m_image.width() / 4;
    painter.drawPixmap(0, 0, m_image, m_state * frameWidth, 0, frameWidth, m_image.height());
}

void QImageButton::enterEvent(QEnterEvent* event) {
    if (isEnabled()) {
        if (m_handCursor)
            setCursor(Qt::PointingHandCursor);
        setState(Hovered);
    } else {
        setState(Disabled);
    }
    QPushButton::enterEvent(event);
}

void QImageButton::leaveEvent(QEvent* event) {
    setCursor(Qt::ArrowCursor);
    if (!isEnabled()) {
        setState(Disabled);
    } else if (m_state == Hovered) {
        setState(Normal);
    }
    QPushButton::leaveEvent(event);
}

void QImageButton::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        setState(isEnabled() ? Pressed : Disabled);
    QPushButton::mousePressEvent(event);
}

void QImageButton::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        if (!isEnabled()) {
            setState(Disabled);
        } else if (m_state == Pressed) {
            setState(Normal);
        }
    }
    QPushButton::mouseReleaseEvent(event);
}

void QImageButton::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange)
        setState(isEnabled() ? Normal : Disabled);
    QPushButton::changeEvent(event);
}
