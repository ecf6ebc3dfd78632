// The two fixed information dialogs of the main menu: About and Supported
// Video Sites.
#pragma once

#include "widgets/image_dialog.h"

class AboutDialog : public QImageDialog {
    Q_OBJECT
public:
    explicit AboutDialog(QWidget* parent = nullptr);
};

class VideoSitesDialog : public QImageDialog {
    Q_OBJECT
public:
    explicit VideoSitesDialog(QWidget* parent = nullptr);
};
