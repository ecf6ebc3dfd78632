// The "Downloaded" list of the download centre.
#pragma once

#include <QWidget>

class DownloadedWidget : public QWidget {
    Q_OBJECT
public:
    explicit DownloadedWidget(QWidget* parent = nullptr) : QWidget(parent) {}
};
