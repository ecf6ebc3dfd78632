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
#include <QScrollArea>
#include <QTimer>
#include <cstdio>
#include <memory>

#include "app/main_select_widget.h"
#include "app/main_window.h"
#include "app/stall_meter.h"
#include "download/downloading_widget.h"
#include "widgets/image_button.h"

int main(int argc, char** argv) {
    StallMeter meter;
    QApplication app(argc, argv);
    MainWindow window;
    const qint64 shownMs = meter.showTimed(window);
    const long long shownRss = statusMiB("VmRSS:");

    DownloadingWidget* list = window.pageContainer()->downloadingList();
    meter.start();
    // Settle first (the turns after the first paint), then scroll.
    std::unique_ptr<PageScroller> scroller;
    QTimer::singleShot(500, [&] {
        scroller = std::make_unique<PageScroller>(
            list->findChild<QScrollArea*>(), [list] { list->m_btnSmallDisplay->click(); },
            [] { QTimer::singleShot(200, [] { QCoreApplication::exit(0); }); });
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
