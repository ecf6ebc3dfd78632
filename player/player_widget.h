// The player window: one top-level window per process, created hidden by
// the main window at start and destroyed by the quit sequence.
#pragma once

#include <QWidget>

class PlayerWidget : public QWidget {
    Q_OBJECT
public:
    // The one instance, created on first request (top-level, hidden).
    static PlayerWidget* instance();
    // Whether the instance exists; destroyInstance() deletes it.
    static bool exists();
    static void destroyInstance();

private:
    PlayerWidget();
    ~PlayerWidget() override;
};
