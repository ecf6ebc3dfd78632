// A frameless dialog drawn from one background picture, stretched over the
// dialog, with a translucent ground so that rounded corners and shadows in
// the picture show. The top `dragHeight` pixels act as its title bar.
#pragma once

#include <QDialog>
#include <QPixmap>

class QImageButton;

class QImageDialog : public QDialog {
    Q_OBJECT
public:
    explicit QImageDialog(QWidget* parent = nullptr,
                          Qt::WindowFlags flags = Qt::Dialog | Qt::FramelessWindowHint);

    // Loads the background; when `resizeToImage` is set the dialog takes the
    // picture's size. False when the picture cannot be loaded.
    bool setBackground(const QString& path, bool resizeToImage = false);
    void setDragHeight(int pixels) { m_dragHeight = pixels; }

    // Creates a child image button from `imagePath` (relative to the
    // application directory, e.g. "/image/OK_btn.png") at `pos`.
    QImageButton* addImageButton(const QString& imagePath, const QPoint& pos,
                                 const QString& toolTip = {});

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QPixmap m_background;
    int m_dragHeight = 36;
    bool m_dragging = false;
    QPoint m_pressOffset;
};
