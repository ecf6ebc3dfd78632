#include "widgets/edge_resizer.h"

#include <QApplication>
#include <QCursor>
#include <QMouseEvent>
#include <QScreen>
#include <QWidget>

EdgeResizer::EdgeResizer(QWidget* window, int band)
    : QObject(window), m_window(window), m_band(band) {
    qApp->installEventFilter(this);
}

EdgeResizer::~EdgeResizer() {
    showCursor(None);
}

void EdgeResizer::setEnabled(bool enabled) {
    m_enabled = enabled;
    if (!enabled) {
        m_dragZone = None;
        showCursor(None);
    }
}

void EdgeResizer::toggleMaximised() {
    if (!m_maximised)
        m_normalGeometry = m_window->geometry();
    m_maximised = !m_maximised;
    if (m_maximised)
        reapplyMaximised();
    else
        m_window->setGeometry(m_normalGeometry);
    setEnabled(!m_maximised);
}

void EdgeResizer::reapplyMaximised() {
    if (!m_maximised)
        return;
    const QScreen* display = m_window->screen();
    m_window->setGeometry(0, 0, display->geometry().width(), display->availableGeometry().height());
}

EdgeResizer::Zone EdgeResizer::zoneAt(const QSize& size, const QPoint& pos, int band) {
    if (pos.x() < 0 || pos.y() < 0 || pos.x() >= size.width() || pos.y() >= size.height())
        return None;
    const bool left = pos.x() < band;
    const bool right = pos.x() >= size.width() - band;
    const bool top = pos.y() < band;
    const bool bottom = pos.y() >= size.height() - band;
    if (top && left)
        return TopLeft;
    if (top && right)
        return TopRight;
    if (bottom && left)
        return BottomLeft;
    if (bottom && right)
        return BottomRight;
    if (left)
        return Left;
    if (right)
        return Right;
    if (top)
        return Top;
    return bottom ? Bottom : None;
}

QRect EdgeResizer::resized(const QRect& start, Zone zone, const QPoint& delta,
                           const QSize& minimum) {
    QRect g = start;
    if (zone == Left || zone == TopLeft || zone == BottomLeft)
        g.setLeft(qMin(g.left() + delta.x(), g.right() - minimum.width() + 1));
    if (zone == Right || zone == TopRight || zone == BottomRight)
        g.setRight(qMax(g.right() + delta.x(), g.left() + minimum.width() - 1));
    if (zone == Top || zone == TopLeft || zone == TopRight)
        g.setTop(qMin(g.top() + delta.y(), g.bottom() - minimum.height() + 1));
    if (zone == Bottom || zone == BottomLeft || zone == BottomRight)
        g.setBottom(qMax(g.bottom() + delta.y(), g.top() + minimum.height() - 1));
    return g;
}

Qt::CursorShape EdgeResizer::cursorFor(Zone zone) {
    static const Qt::CursorShape shapes[] = {
        Qt::ArrowCursor,     Qt::SizeHorCursor,   Qt::SizeHorCursor,
        Qt::SizeVerCursor,   Qt::SizeVerCursor,   Qt::SizeFDiagCursor,
        Qt::SizeBDiagCursor, Qt::SizeBDiagCursor, Qt::SizeFDiagCursor};
    return shapes[zone];
}

// The window's own cursor, which every child without a cursor of its own
// shows as well.
void EdgeResizer::showCursor(Zone zone) {
    if (zone == None) {
        if (m_cursorSet)
            m_window->unsetCursor();
        m_cursorSet = false;
        return;
    }
    m_window->setCursor(cursorFor(zone));
    m_cursorSet = true;
}

bool EdgeResizer::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseMove && type != QEvent::MouseButtonPress &&
        type != QEvent::MouseButtonRelease)
        return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || !widget->isWidgetType() || widget->window() != m_window) {
        if (m_dragZone == None)
            showCursor(None);
        return false;
    }
    auto* mouse = static_cast<QMouseEvent*>(event);
    const QPoint global = mouse->globalPosition().toPoint();
    if (type == QEvent::MouseMove && m_dragZone != None) {
        m_window->setGeometry(
            resized(m_pressGeometry, m_dragZone, global - m_pressGlobal, m_window->minimumSize()));
        return true;
    }
    if (type == QEvent::MouseButtonRelease && m_dragZone != None) {
        m_dragZone = None;
        return true;
    }
    const Zone zone =
        m_enabled ? zoneAt(m_window->size(), m_window->mapFromGlobal(global), m_band) : None;
    if (type == QEvent::MouseMove) {
        showCursor(zone);
        return false;
    }
    if (type == QEvent::MouseButtonPress && zone != None && mouse->button() == Qt::LeftButton) {
        m_dragZone = zone;
        m_pressGlobal = global;
        m_pressGeometry = m_window->geometry();
        return true;
    }
    return false;
}
