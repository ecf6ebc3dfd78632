// A horizontal bar drawn from images: a groove, a fill that grows from the
// left up to the value, and an optional handle. Used as a progress display
// (not interactive) and as a seek or volume control that reports user moves
// as a fraction between 0 and 1.
#pragma once

#include <QPixmap>
#include <QPushButton>
#include <QWidget>

#include "widgets/image_button.h"

// The slider's handle: a four-frame strip button (QImageButton) that
// reports drags together with the press offset.
class QSliderCtrlBtn : public QImageButton {
    Q_OBJECT
public:
    explicit QSliderCtrlBtn(QWidget* parent = nullptr) : QImageButton(parent) {}

    void resetState();  // back to the normal frame (disabled: the disabled one)

signals:
    // Mouse moves while pressed, with the x distance from the handle's left
    // edge to the press point.
    void mouseMove(QMouseEvent* event, int pressOffset);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    int m_pressOffset = 0;
};

class qSliderCtrl : public QWidget {
    Q_OBJECT
public:
    explicit qSliderCtrl(QWidget* parent = nullptr);

    // Loads the groove and resizes the bar to its width and to a height of
    // max(its height, 20).
    bool setGrooveImage(const QString& path);
    bool setFillImage(const QString& path);
    // Creates the handle from a four-frame strip (once; later calls reload).
    bool setHandleImage(const QString& path);
    void setHandleY(int y);

    void setRange(qint64 minimum, qint64 maximum);
    void setInteractive(bool on) { m_interactive = on; }
    void setDragEnabled(bool on) { m_dragEnabled = on; }
    void setHandleOnHover(bool on);
    void setShowPercentage(bool on);

    // Above the maximum: value 100 and a full bar; below the minimum: value
    // 0 and an empty bar; otherwise the position is proportional, truncated
    // to whole pixels.
    void setValue(double value);

    double value() const { return m_value; }
    int position() const { return m_position; }
    QSliderCtrlBtn* handle() const { return m_handle; }
    int handleWidth() const;

signals:
    // After every user move: position / (bar width - handle width).
    void sendProgressValue(double fraction);

public slots:
    void btnMouseMove(QMouseEvent* event, int pressOffset);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void moveHandleTo(int x);
    void reportPosition(int position, int handleX);
    void drawFill(QPainter& painter, int right) const;

    QPixmap m_groove;
    QPixmap m_fill;
    QSliderCtrlBtn* m_handle = nullptr;
    int m_handleY = 0;
    qint64 m_minimum = 0;
    qint64 m_maximum = 100;
    double m_value = 0;
    double m_requestedValue = 0;  // the last value set, kept for resizes
    bool m_hasValue = false;
    int m_position = 0;
    bool m_interactive = true;
    bool m_dragEnabled = false;
    bool m_handleOnHover = false;
    bool m_showPercentage = false;
    // The narrowest fill drawn for a value above zero, so that a task that
    // has just started still shows a sliver of progress.
    int m_minimumFill = 5;
};
