#include "widgets/image_dialog.h"

#include <QBitmap>
#include <QMouseEvent>
#include <QPainter>

#include "widgets/compositor.h"
#include "widgets/image_button.h"
#include "widgets/skinned_form.h"

QImageDialog::QImageDialog(QWidget* parent, Qt::WindowFlags flags) : QDialog(parent, flags) {
    setAttribute(Qt::WA_TranslucentBackground);
}

bool QImageDialog::setBackground(const QString& path, bool resizeToImage) {
    if (!m_background.load(path))
        return false;
    if (resizeToImage)
        resize(m_background.size());
    update();
    return true;
}

QImageButton* QImageDialog::addImageButton(const QString& imagePath, const QPoint& pos,
                                           const QString& toolTip) {
    QImageButton* button = skinned::imageButton(this, imagePath, {.toolTip = toolTip});
    button->move(pos);
    return button;
}

QImageDialog::ButtonRow QImageDialog::addButtonRow(const QString& okImage,
                                                   const QString& cancelImage,
                                                   const ButtonRowMargins& margins) {
    ButtonRow row;
    if (!okImage.isEmpty())
        row.ok = skinned::imageButton(this, okImage, {.objectName = "m_btnOK"});
    if (!cancelImage.isEmpty())
        row.cancel = skinned::imageButton(this, cancelImage, {.objectName = "m_btnCancel"});
    row.close = skinned::imageButton(this, "/image/button_close.png",
                                     {.objectName = "m_btnClose", .toolTip = tr("Close")});
    placeButtonRow(row, margins);
    if (row.ok)
        row.ok->setDefault(true);
    setEscapeButton(row.cancel ? row.cancel : row.close);
    return row;
}

void QImageDialog::setEscapeButton(QAbstractButton* button) {
    m_escapeButton = button;
}

// Escape (and the window manager's close request) answers as the dialog's
// Cancel or close button does, so that its own handler decides the result.
void QImageDialog::reject() {
    if (m_rejecting || !m_escapeButton || !m_escapeButton->isVisible() ||
        !m_escapeButton->isEnabled()) {
        QDialog::reject();
        return;
    }
    m_rejecting = true;  // a handler that calls reject() ends the dialog plainly
    const QPointer<QImageDialog> alive(this);
    m_escapeButton->click();
    if (!alive)
        return;
    m_rejecting = false;
    // A handler that only asked to close (close() while closing) has not
    // ended the dialog yet.
    if (isVisible())
        QDialog::reject();
}

void QImageDialog::placeButtonRow(const ButtonRow& row, const ButtonRowMargins& margins) {
    int right = width() - margins.right;
    for (QImageButton* button : {row.cancel, row.ok}) {
        if (!button)
            continue;
        button->move(right - button->width(), height() - margins.bottom - button->height());
        right = button->x() - 10;
    }
    if (row.close)
        row.close->move(width() - margins.closeRight - row.close->width(), margins.closeTop);
}

void QImageDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    cutToShapeWithoutCompositor();
}

void QImageDialog::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    if (isVisible())
        cutToShapeWithoutCompositor();
}

// The mask follows what the dialog paints: every pixel with some opacity.
void QImageDialog::cutToShapeWithoutCompositor() {
    if (skinned::compositorRunning()) {
        clearMask();
        return;
    }
    const QImage drawn = grab().toImage().convertToFormat(QImage::Format_ARGB32);
    const QImage shape = drawn.createAlphaMask(Qt::ThresholdAlphaDither | Qt::MonoOnly);
    const QRegion region(QBitmap::fromImage(shape));
    if (region.isEmpty())
        clearMask();
    else
        setMask(region);
}

void QImageDialog::paintEvent(QPaintEvent*) {
    if (m_background.isNull())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawPixmap(rect(), m_background);
}

void QImageDialog::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && event->position().y() < m_dragHeight) {
        m_dragging = true;
        m_pressOffset = event->globalPosition().toPoint() - frameGeometry().topLeft();
    }
    QDialog::mousePressEvent(event);
}

void QImageDialog::mouseMoveEvent(QMouseEvent* event) {
    if (m_dragging && (event->buttons() & Qt::LeftButton)) {
        move(event->globalPosition().toPoint() - m_pressOffset);
    }
    QDialog::mouseMoveEvent(event);
}

void QImageDialog::mouseReleaseEvent(QMouseEvent* event) {
    m_dragging = false;
    QDialog::mouseReleaseEvent(event);
}
