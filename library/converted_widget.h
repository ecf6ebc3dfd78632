// The "Converted" list of the download centre.
#pragma once

#include <QWidget>

class ConvertedWidget : public QWidget {
    Q_OBJECT
public:
    explicit ConvertedWidget(QWidget* parent = nullptr) : QWidget(parent) {}
};
