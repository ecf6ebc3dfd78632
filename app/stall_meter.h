// What the start-up benchmarks measure on the GUI thread: the time since
// the process began (a clock started before the application object) and
// the longest stall of the event loop, seen by a 5 ms timer that measures
// its own lateness. Header only, for the benchmark tools.
#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <functional>

class StallMeter {
public:
    static constexpr int kTickMs = 5;

    StallMeter() { m_clock.start(); }
    qint64 elapsedMs() const { return m_clock.elapsed(); }
    qint64 longestStallMs() const { return m_longestStallMs; }

    // Shows `window`, lets it draw once and returns the elapsed time.
    qint64 showTimed(QWidget& window) {
        window.show();
        QApplication::processEvents();
        return elapsedMs();
    }

    // Starts the ticking (an application object must exist); `onTick` runs
    // on every tick with the elapsed time.
    void start(std::function<void(qint64)> onTick = {}) {
        m_lastTick = m_clock.elapsed();
        QObject::connect(&m_ticker, &QTimer::timeout, [this, onTick = std::move(onTick)] {
            const qint64 now = m_clock.elapsed();
            m_longestStallMs = std::max(m_longestStallMs, now - m_lastTick - kTickMs);
            m_lastTick = now;
            if (onTick)
                onTick(now);
        });
        m_ticker.start(kTickMs);
    }

private:
    QElapsedTimer m_clock;
    QTimer m_ticker;
    qint64 m_longestStallMs = 0;
    qint64 m_lastTick = 0;
};
