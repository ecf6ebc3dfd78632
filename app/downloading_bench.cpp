// clipwright-downloading-bench: times the start of the main window with the
// task list the application directory holds, for bench/downloading.
//
//   clipwright-downloading-bench
//
// Prints the number of listed tasks; the time until the main window is
// shown (ms); the resident memory then and its peak (MiB); the longest
// stall of the GUI thread (a 5 ms timer that measures its own lateness)
// while the Downloading list is scrolled to its end a page per turn, put
// into the small display and scrolled back; and the time the quit's save of
// every task's progress takes (ms).
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <cstdio>

#include "app/main_select_widget.h"
#include "app/main_window.h"
#include "app/stall_meter.h"
#include "download/downloading_widget.h"
#include "widgets/image_button.h"
#include "widgets/row_column.h"

namespace {

// A figure of /proc/self/status ("VmRSS", "VmHWM") in MiB.
long long statusMiB(const char* key) {
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
// end, then the small rows, then back to the top; then `done`.
class Scroller : public QObject {
public:
    Scroller(DownloadingWidget* list, std::function<void()> done)
        : m_list(list),
          m_bar(list->findChild<QScrollArea*>()->verticalScrollBar()),
          m_done(std::move(done)) {
        QTimer::singleShot(0, this, [this] { step(); });
    }

private:
    void step() {
        if (m_down && m_bar->value() < m_bar->maximum()) {
            m_bar->setValue(m_bar->value() + m_bar->pageStep());
        } else if (m_down) {
            m_down = false;
            m_list->m_btnSmallDisplay->click();
        } else if (m_bar->value() > 0) {
            m_bar->setValue(m_bar->value() - m_bar->pageStep() * 4);
        } else {
            m_done();
            return;
        }
        QTimer::singleShot(0, this, [this] { step(); });
    }

    DownloadingWidget* m_list;
    QScrollBar* m_bar;
    std::function<void()> m_done;
    bool m_down = true;
};

}  // namespace

int main(int argc, char** argv) {
    StallMeter meter;
    QApplication app(argc, argv);
    MainWindow window;
    const qint64 shownMs = meter.showTimed(window);
    const long long shownRss = statusMiB("VmRSS:");

    DownloadingWidget* list = window.pageContainer()->downloadingList();
    meter.start();
    // Settle first (the turns after the first paint), then scroll.
    std::unique_ptr<Scroller> scroller;
    QTimer::singleShot(500, [&] {
        scroller = std::make_unique<Scroller>(
            list, [] { QTimer::singleShot(200, [] { QCoreApplication::exit(0); }); });
    });
    app.exec();
    const long long peakRss = statusMiB("VmHWM:");

    QElapsedTimer saving;
    saving.start();
    const bool saved = list->prepareExit();
    const qint64 exitMs = saving.elapsed();
    std::printf(
        "rows %lld\nshown_ms %lld\nrss_mib %lld\npeak_rss_mib %lld\nlongest_stall_ms "
        "%lld\nexit_ms %lld\n",
        static_cast<long long>(list->items().size()), static_cast<long long>(shownMs), shownRss,
        peakRss, static_cast<long long>(meter.longestStallMs()), static_cast<long long>(exitMs));
    return saved ? 0 : 1;
}
