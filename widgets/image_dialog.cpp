#include "widgets/image_dialog.h"

#include <QMouseEvent>
#include <QPainter>

#include "widgets/image_button.h"
#include "widgets/skin_paths.h"

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
    auto* button = new QImageButton(this);
    button->setImage(widgets::appFile(imagePath));
    button->move(pos);
    if (!toolTip.isEmpty())
        button->setToolTip(toolTip);
    return button;
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
