// The online-video page of the main window: its tab strip, its tool bar
// and the area below them that shows the favourite sites or a web page.
#pragma once

#include <QWidget>

class OnlineHeadTabWidget : public QWidget {
    Q_OBJECT
public:
    explicit OnlineHeadTabWidget(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

class OnlineHeadToolWidget : public QWidget {
    Q_OBJECT
public:
    explicit OnlineHeadToolWidget(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

class OnlineBottomWidget : public QWidget {
    Q_OBJECT
public:
    explicit OnlineBottomWidget(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};
