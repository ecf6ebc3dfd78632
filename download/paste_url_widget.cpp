#include "paste_url_widget.h"

#include <QPainter>

#include "widgets/skin_paths.h"

PasteURLWidget::PasteURLWidget(QWidget* parent) : QWidget(parent) {
    setPanelFor(QString());
}

void PasteURLWidget::setPanelFor(const QString& tabName) {
    QString image;
    if (tabName.isEmpty() || tabName == "Downloading") {
        image = "/image/1middle_BG.png";
    } else if (tabName == "Downloaded") {
        image = "/image/bg_downloaded.png";
    } else if (tabName == "Converted") {
        image = "/image/bg_Converted.png";
    } else {
        return;
    }
    m_imagePath = image;
    m_picture.load(widgets::appFile(image));
    update();
}

void PasteURLWidget::paintEvent(QPaintEvent*) {
    if (m_picture.isNull())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawPixmap(rect(), m_picture);
}
