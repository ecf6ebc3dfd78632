// The panel the download centre shows instead of a list with no entries:
// a picture chosen by the selected tab, painted over the whole panel.
#pragma once

#include <QPixmap>
#include <QWidget>

class PasteURLWidget : public QWidget {
    Q_OBJECT
public:
    explicit PasteURLWidget(QWidget* parent = nullptr);

    // "" or "Downloading", "Downloaded", "Converted" choose the picture;
    // any other name keeps the current one.
    void setPanelFor(const QString& tabName);
    QString panelImage() const { return m_imagePath; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_imagePath;
    QPixmap m_picture;
};
