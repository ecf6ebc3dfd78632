// What the start-up benchmarks measure on the GUI thread: the time since
// the process began (a clock started before the application object) and
// the longest stall of the event loop, seen by a 5 ms timer that measures
// its own lateness; the process's memory; and the user's scrolling through
// a list. Header only, for the benchmark tools.
#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QScrollArea>
#include <QScrollBar>
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

// A figure of /proc/self/status ("VmRSS:", "VmHWM:") in MiB.
inline long long statusMiB(const char* key) {
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(int(qstrlen(key)) + 1).trimmed().split(' ').value(0).toLongLong() /
                   1024;
    }
    return -1;
}

// The user's scrolling: a page further every turn of the event loop, to the
// end; then `atEnd` (a switch to the small rows); then back to the top four
// pages a turn; then `done`.
class PageScroller : public QObject {
public:
    PageScroller(QScrollArea* area, std::function<void()> atEnd, std::function<void()> done)
        : m_bar(area->verticalScrollBar()), m_atEnd(std::move(atEnd)), m_done(std::move(done)) {
        QTimer::singleShot(0, this, [this] { step(); });
    }

private:
    void step() {
        if (m_down && m_bar->value() < m_bar->maximum()) {
            m_bar->setValue(m_bar->value() + m_bar->pageStep());
        } else if (m_down) {
            m_down = false;
            m_atEnd();
        } else if (m_bar->value() > 0) {
            m_bar->setValue(m_bar->value() - m_bar->pageStep() * 4);
        } else {
            m_done();
            return;
        }
        QTimer::singleShot(0, this, [this] { step(); });
    }

    QScrollBar* m_bar;
    std::function<void()> m_atEnd;
    std::function<void()> m_done;
    bool m_down = true;
};
