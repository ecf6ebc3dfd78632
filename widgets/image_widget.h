// A widget that draws one picture stretched over its whole area; it can be
// made movable so that it follows the mouse while the left button is held.
#pragma once

#include <QPixmap>
#include <QWidget>

class QImageWidget : public QWidget {
    Q_OBJECT
public:
    explicit QImageWidget(QWidget* parent = nullptr);

    // Loads the picture; false (and no picture) when it cannot be loaded.
    bool setImage(const QString& path);
    void setPixmap(const QPixmap& pixmap);
    const QPixmap& pixmap() const { return m_image; }

    void setMovable(bool movable) { m_movable = movable; }
    bool isMovable() const { return m_movable; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QPixmap m_image;
    bool m_movable = false;
    bool m_dragging = false;
    QPoint m_pressOffset;
};
