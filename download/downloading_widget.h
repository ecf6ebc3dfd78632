// The "Downloading" list of the download centre.
#pragma once

#include <QWidget>

class DownloadingWidget : public QWidget {
    Q_OBJECT
public:
    explicit DownloadingWidget(QWidget* parent = nullptr) : QWidget(parent) {}
};
