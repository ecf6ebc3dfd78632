#include "paste_url_widget.h"

#include "widgets/skin_paths.h"

PasteURLWidget::PasteURLWidget(QWidget* parent) : QImageWidget(parent) {
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
    setImage(widgets::appFile(image));
}
