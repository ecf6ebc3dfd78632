#include "download/paste_url_widget.h"

#include <QFileDialog>
#include <QMenu>
#include <QMouseEvent>

#include "core/app_files.h"

PasteURLWidget::PasteURLWidget(QWidget* parent) : QImageWidget(parent) {
    setPanelFor(QString());
    m_menu = new QMenu(this);
    const char* const names[] = {"Play",
                                 "Convert",
                                 "Rename",
                                 "Delete",
                                 "Delete ALL",
                                 "Copy URL",
                                 "Go to Source Page",
                                 "Open the downloaded folder",
                                 "Import",
                                 "Clear invalid files"};
    for (int i = 0; i < 10; ++i) {
        QAction* action = m_menu->addAction(names[i]);
        if (i == 8)
            connect(action, &QAction::triggered, this, &PasteURLWidget::OnACtionImport);
        else
            action->setEnabled(false);
        if (i == 2 || i == 4 || i == 7 || i == 9)
            m_menu->addSeparator();
    }
}

void PasteURLWidget::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton)
        m_menu->popup(event->globalPosition().toPoint());
    QImageWidget::mousePressEvent(event);
}

void PasteURLWidget::OnACtionImport() {
    const QStringList files = QFileDialog::getOpenFileNames(this, QString(), ".", "*.*", nullptr,
                                                            QFileDialog::DontUseNativeDialog);
    if (!files.isEmpty())
        emit emitAddFiles(files);
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
    setImage(appfiles::path(image));
}
