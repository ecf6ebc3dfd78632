#include "widgets/slider_ctrl.h"

#include <QEnterEvent>
#include <QMouseEvent>
#include <QPainter>

// ---- QSliderCtrlBtn ----------------------------------------------------------

void QSliderCtrlBtn::resetState() {
    setState(isEnabled() ? Normal : Disabled);
}

void QSliderCtrlBtn::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        m_pressOffset = qRound(event->position().x());
    QImageButton::mousePressEvent(event);
}

void QSliderCtrlBtn::mouseMoveEvent(QMouseEvent* event) {
    if (state() == Pressed)
        emit mouseMove(event, m_pressOffset);
    QImageButton::mouseMoveEvent(event);
}

// ---- qSliderCtrl ------------------------------------------------------------

qSliderCtrl::qSliderCtrl(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
}

bool qSliderCtrl::setGrooveImage(const QString& path) {
    if (!m_groove.load(path))
        return false;
    resize(m_groove.width(), qMax(m_groove.height(), 20));
    update();
    return true;
}

bool qSliderCtrl::setFillImage(const QString& path) {
    const bool loaded = m_fill.load(path);
    update();
    return loaded;
}

bool qSliderCtrl::setHandleImage(const QString& path) {
    if (!m_handle) {
        m_handle = new QSliderCtrlBtn(this);
        connect(m_handle, &QSliderCtrlBtn::mouseMove, this, &qSliderCtrl::btnMouseMove);
        m_handle->setVisible(!m_handleOnHover);
    }
    const bool loaded = m_handle->setImage(path);
    moveHandleTo(qMax(0, m_position - handleWidth() / 2));
    return loaded;
}

void qSliderCtrl::setHandleY(int y) {
    m_handleY = y;
    if (m_handle)
        m_handle->move(m_handle->x(), y);
}

void qSliderCtrl::setRange(qint64 minimum, qint64 maximum) {
    m_minimum = minimum;
    m_maximum = maximum;
}

void qSliderCtrl::setHandleOnHover(bool on) {
    m_handleOnHover = on;
    if (m_handle)
        m_handle->setVisible(!on || underMouse());
}

void qSliderCtrl::setShowPercentage(bool on) {
    m_showPercentage = on;
    update();
}

int qSliderCtrl::handleWidth() const {
    return m_handle ? m_handle->width() : 0;
}

void qSliderCtrl::setValue(double value) {
    m_hasValue = true;
    m_requestedValue = value;
    if (value > m_maximum) {
        m_value = 100;
        m_position = width();
    } else if (value < m_minimum || m_maximum <= m_minimum) {
        m_value = 0;
        m_position = 0;
    } else {
        m_value = value;
        m_position = int((value - m_minimum) / double(m_maximum - m_minimum) * width());
    }
    moveHandleTo(qMax(0, m_position - handleWidth() / 2));
    update();
}

void qSliderCtrl::moveHandleTo(int x) {
    if (m_handle)
        m_handle->move(x, m_handleY);
}

void qSliderCtrl::reportPosition(int position, int handleX) {
    m_position = position;
    moveHandleTo(handleX);
    update();
    const int span = width() - handleWidth();
    emit sendProgressValue(span > 0 ? double(position) / span : 0.0);
}

void qSliderCtrl::mousePressEvent(QMouseEvent* event) {
    QWidget::mousePressEvent(event);
    if (!m_interactive)
        return;
    const int left = mapToGlobal(QPoint(0, 0)).x();
    const int x = qRound(event->globalPosition().x());
    const int h = handleWidth();
    if (x < left + h / 2 || x > left + width() - h / 2)
        return;
    reportPosition(x - h / 2 - left, x - left - h / 2);
}

void qSliderCtrl::mouseMoveEvent(QMouseEvent* event) {
    QWidget::mouseMoveEvent(event);
    if (!m_interactive || event->buttons() == Qt::NoButton)
        return;
    if (m_handle && m_handle->state() != QImageButton::Pressed)
        return;
    const int left = mapToGlobal(QPoint(0, 0)).x();
    const int x = qRound(event->globalPosition().x());
    const int h = handleWidth();
    if (x < left + h / 2) {
        reportPosition(0, 0);
    } else if (x > left + width() - h / 2) {
        reportPosition(width() - h, width() - h);
    } else {
        reportPosition(x - h / 2 - left, x - left - h / 2);
    }
}

void qSliderCtrl::btnMouseMove(QMouseEvent* event, int pressOffset) {
    if (!m_interactive || !m_dragEnabled)
        return;
    const int left = mapToGlobal(QPoint(0, 0)).x();
    const int x = qRound(event->globalPosition().x()) - pressOffset;
    const int h = handleWidth();
    int position;
    if (x < left + h / 2) {
        position = 0;
    } else if (x > left + width() - h) {
        position = width() - h;
    } else {
        position = x - left;
    }
    reportPosition(position, position);
}

void qSliderCtrl::mouseReleaseEvent(QMouseEvent* event) {
    if (m_handle)
        m_handle->resetState();
    QWidget::mouseReleaseEvent(event);
}

void qSliderCtrl::enterEvent(QEnterEvent* event) {
    if (m_interactive)
        setCursor(Qt::PointingHandCursor);
    if (m_handle && m_handleOnHover)
        m_handle->show();
    QWidget::enterEvent(event);
}

void qSliderCtrl::leaveEvent(QEvent* event) {
    if (m_handle && m_handleOnHover)
        m_handle->hide();
    QWidget::leaveEvent(event);
}

void qSliderCtrl::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // Keep the drawn position proportional to the value at the new width.
    if (m_hasValue)
        setValue(m_requestedValue);
}

// The fill's two ends keep their shape (half the image's height each); the
// middle stretches.
void qSliderCtrl::drawFill(QPainter& painter, int right) const {
    const int top = (height() - m_fill.height()) / 2;
    const int left = handleWidth() / 2;
    int width = right - left;
    if (width <= 0)
        return;
    width = qMax(width, m_minimumFill);
    const int cap = qMin(m_fill.height() / 2, m_fill.width() / 2);
    if (width < 2 * cap) {
        painter.drawPixmap(QRect(left, top, width, m_fill.height()), m_fill);
        return;
    }
    const int h = m_fill.height();
    painter.drawPixmap(QRect(left, top, cap, h), m_fill, QRect(0, 0, cap, h));
    painter.drawPixmap(QRect(left + cap, top, width - 2 * cap, h), m_fill,
                       QRect(cap, 0, m_fill.width() - 2 * cap, h));
    painter.drawPixmap(QRect(left + width - cap, top, cap, h), m_fill,
                       QRect(m_fill.width() - cap, 0, cap, h));
}

void qSliderCtrl::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    if (!m_groove.isNull()) {
        const int top = (height() - m_groove.height()) / 2;
        painter.drawPixmap(QRect(0, top, width(), m_groove.height()), m_groove);
    }
    if (!m_fill.isNull() && m_position > 0)
        drawFill(painter, m_position);
    if (m_showPercentage) {
        QFont font = painter.font();
        font.setPixelSize(qMax(9, qMin(height() - 4, 12)));
        painter.setFont(font);
        painter.setPen(QColor(31, 45, 51));
        painter.drawText(rect(), Qt::AlignCenter, QString("%1%").arg(int(m_value)));
    }
}
