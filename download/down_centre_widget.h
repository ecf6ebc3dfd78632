// The area of the download centre that holds the list on show. Files
// dropped on it from a file manager are reported with "/" separators.
#pragma once

#include <QStringList>
#include <QWidget>

class DownCentreWidget : public QWidget {
    Q_OBJECT
public:
    explicit DownCentreWidget(QWidget* parent = nullptr);

signals:
    void emitDragFiles(QStringList files);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
};
