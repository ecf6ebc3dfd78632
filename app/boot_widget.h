// The splash shown for five seconds before the main window: the skin's
// start picture with an animated bar.
#pragma once

#include "widgets/image_dialog.h"

class QLabel;
class QMovie;
class QTimer;

class BootWidget : public QImageDialog {
    Q_OBJECT
public:
    static constexpr int kShowMs = 5000;

    // Loads the picture and the animation and starts the timer. A picture
    // or animation that cannot be loaded is written to the log; when the
    // log cannot be written either, a message says so and the splash stays
    // without animation and timer.
    explicit BootWidget(QWidget* parent = nullptr);

    bool timerRunning() const;

public slots:
    void TimeOut();

private:
    bool setUp();

    QLabel* m_barLabel = nullptr;
    QMovie* m_movie = nullptr;
    QTimer* m_timer = nullptr;
};
