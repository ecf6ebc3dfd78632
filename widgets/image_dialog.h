// A frameless dialog drawn from one background picture, stretched over the
// dialog, with a translucent ground so that rounded corners and shadows in
// the picture show. The top `dragHeight` pixels act as its title bar.
#pragma once

#include <QAbstractButton>
#include <QDialog>
#include <QPixmap>
#include <QPointer>

class QImageButton;

// A dialog's answer buttons: OK and Cancel side by side in the bottom band
// (Cancel outermost) and close in the top-right corner. A button the dialog
// does not have is null.
struct DialogButtonRow {
    QImageButton* ok = nullptr;
    QImageButton* cancel = nullptr;
    QImageButton* close = nullptr;
};

// Where QImageDialog::placeButtonRow puts them, in pixels from the
// dialog's edges.
struct DialogButtonMargins {
    int right = 22;       // Cancel (or OK alone) from the right edge
    int bottom = 11;      // OK and Cancel from the bottom edge
    int closeRight = 12;  // the close button from the right edge
    int closeTop = 8;     // and from the top edge
};

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

    using ButtonRow = DialogButtonRow;
    using ButtonRowMargins = DialogButtonMargins;
    // Creates the skin's OK, Cancel and close buttons (an empty image leaves
    // that one out) and places them for the dialog's current size.
    ButtonRow addButtonRow(const QString& okImage = "/image/OK_btn.png",
                           const QString& cancelImage = "/image/BTN_Cancel_1.png",
                           const ButtonRowMargins& margins = {});
    // Places the buttons of `row` for the dialog's current size; OK sits 10
    // pixels left of Cancel.
    void placeButtonRow(const ButtonRow& row, const ButtonRowMargins& margins = {});

    // The button that Escape presses (addButtonRow sets its Cancel, else
    // its close button, and makes its OK the default button for Enter).
    void setEscapeButton(QAbstractButton* button);
    void reject() override;

protected:
    void paintEvent(QPaintEvent* event) override;
    // Without a compositor the transparent pixels would show black: the
    // window is cut to its opaque pixels instead.
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void cutToShapeWithoutCompositor();

    QPixmap m_background;
    int m_dragHeight = 36;
    bool m_dragging = false;
    QPoint m_pressOffset;
    QPointer<QAbstractButton> m_escapeButton;
    bool m_rejecting = false;
};
