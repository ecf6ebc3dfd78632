// The frame of a frameless top-level window: resizing by its edges and
// corners, and the maximise toggle. Within a band along the border the
// pointer takes the matching resize shape, and a drag from there moves that
// edge, never below the window's minimum size. The band is watched over the
// whole window, also where child widgets (a list, a native video window)
// reach the border.
//
// GUI thread only.
#pragma once

#include <QObject>
#include <QPoint>
#include <QRect>

class QWidget;

class EdgeResizer : public QObject {
public:
    enum Zone { None, Left, Right, Top, Bottom, TopLeft, TopRight, BottomLeft, BottomRight };

    EdgeResizer(QWidget* window, int band);
    ~EdgeResizer() override;

    // Switched off while the window is maximised or full screen.
    void setEnabled(bool enabled);
    bool isEnabled() const { return m_enabled; }

    // Toggles between the geometry saved when maximising and the screen's
    // width by its available height, from the top-left corner; the edges do
    // not resize while maximised.
    void toggleMaximised();
    bool isMaximised() const { return m_maximised; }
    // Puts a maximised window back on the maximised area (after full
    // screen, which leaves it elsewhere).
    void reapplyMaximised();

    // The zone of `pos` (window coordinates) in a window of `size`.
    static Zone zoneAt(const QSize& size, const QPoint& pos, int band);
    // `start` with the edges of `zone` moved by `delta`, keeping `minimum`.
    static QRect resized(const QRect& start, Zone zone, const QPoint& delta, const QSize& minimum);
    static Qt::CursorShape cursorFor(Zone zone);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showCursor(Zone zone);

    QWidget* m_window;
    int m_band;
    bool m_enabled = true;
    Zone m_dragZone = None;
    QPoint m_pressGlobal;
    QRect m_pressGeometry;
    bool m_cursorSet = false;
    bool m_maximised = false;
    QRect m_normalGeometry;
};
