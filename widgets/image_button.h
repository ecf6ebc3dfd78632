// A push button drawn from a strip of four frames (normal, hovered,
// pressed, disabled) instead of the platform style.
#pragma once

#include <QPixmap>
#include <QPushButton>

class QPainter;

class QImageButton : public QPushButton {
    Q_OBJECT
public:
    enum State { Normal = 0, Hovered = 1, Pressed = 2, Disabled = 3 };

    explicit QImageButton(QWidget* parent = nullptr);

    // Loads the strip. On success the button takes the fixed size (strip
    // width / 4, strip height) and true is returned. When the file cannot be
    // loaded or is 0 wide, false is returned, the button keeps no image (it
    // draws nothing) and its size is left as it was.
    bool setImage(const QString& path);

    // While set (the default), the pointer becomes a pointing hand over the
    // enabled button.
    void setHandCursor(bool on) { m_handCursor = on; }

    State state() const { return m_state; }
    const QPixmap& image() const { return m_image; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

protected:
    void setState(State state);

private:
    void paintFocusMark(QPainter& painter);

    QPixmap m_image;
    State m_state = Normal;
    bool m_handCursor = true;
};
