// The online-video page of the main window: its tab strip, its tool bar
// and the area below them that shows the favourite sites or a web page.
// Each is drawn from its skin picture.
#pragma once

#include "widgets/image_widget.h"

class OnlineHeadTabWidget : public QImageWidget {
    Q_OBJECT
public:
    explicit OnlineHeadTabWidget(QWidget* parent = nullptr);
};

class OnlineHeadToolWidget : public QImageWidget {
    Q_OBJECT
public:
    explicit OnlineHeadToolWidget(QWidget* parent = nullptr);
};

class OnlineBottomWidget : public QImageWidget {
    Q_OBJECT
public:
    explicit OnlineBottomWidget(QWidget* parent = nullptr);
};
