// The panel the download centre shows instead of a list with no entries:
// a picture chosen by the selected tab, painted over the whole panel.
#pragma once

#include "widgets/image_widget.h"

#include <QStringList>

class QMenu;

class PasteURLWidget : public QImageWidget {
    Q_OBJECT
public:
    explicit PasteURLWidget(QWidget* parent = nullptr);

    // "" or "Downloading", "Downloaded", "Converted" choose the picture;
    // any other name keeps the current one.
    void setPanelFor(const QString& tabName);
    QString panelImage() const { return m_imagePath; }
    QMenu* menu() const { return m_menu; }

signals:
    void emitAddFiles(QStringList files);

public slots:
    void OnACtionImport();

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    QMenu* m_menu;
    QString m_imagePath;
};
