#include "widgets/image_button.h"

#include <QEnterEvent>
#include <QFocusEvent>
#include <QMouseEvent>
#include <QPainter>

QImageButton::QImageButton(QWidget* parent) : QPushButton(parent) {
    setFlat(true);
    // Reached with Tab, pressed with Space; a click does not take the focus
    // from where the user types. Enter presses only a dialog's default
    // button, never whichever button has the focus.
    setFocusPolicy(Qt::TabFocus);
    setAutoDefault(false);
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
    if (hasFocus())
        paintFocusMark(painter);
}

// The skin's focus mark: a dotted frame in the accent colour just inside
// the button's edge.
void QImageButton::paintFocusMark(QPainter& painter) {
    painter.setRenderHint(QPainter::Antialiasing);
    QPen pen(QColor(26, 119, 137));
    pen.setWidth(1);
    pen.setStyle(Qt::DotLine);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5), 3, 3);
}

void QImageButton::focusInEvent(QFocusEvent* event) {
    QPushButton::focusInEvent(event);
    update();
}

void QImageButton::focusOutEvent(QFocusEvent* event) {
    QPushButton::focusOutEvent(event);
    update();
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
