// clipwright-library-bench: times the start of the main window with the
// Downloaded list the application directory holds, for bench/library.
//
//   clipwright-library-bench
//
// Prints the number of listed files; the time until the main window is
// shown (ms); the resident memory then and its peak (MiB); the time until
// the rows in view of the Downloaded tab, opened once the window shows, have
// their facts and thumbnails (ms); and the longest
// stall of the GUI thread (a 5 ms timer that measures its own lateness)
// while the list is scrolled to its end a page per turn, put into the small
// display and scrolled back.
#include <QApplication>
#include <QScrollArea>
#include <QTimer>
#include <cstdio>
#include <memory>

#include "app/main_select_widget.h"
#include "app/main_window.h"
#include "app/stall_meter.h"
#include "download/download_head_widget.h"
#include "library/downloaded_widget.h"
#include "library/media_bar.h"
#include "widgets/image_button.h"
#include "widgets/row_column.h"

namespace {

constexpr int kGiveUpMs = 120000;

bool rowsInViewProbed(const DownloadedWidget& list) {
    const QList<QWidget*> placed = list.rowColumn()->placedRows();
    return !placed.isEmpty() && std::all_of(placed.begin(), placed.end(), [](QWidget* row) {
        return static_cast<MediaBar*>(row)->hasFacts();
    });
}

}  // namespace

int main(int argc, char** argv) {
    StallMeter meter;
    QApplication app(argc, argv);
    MainWindow window;
    const qint64 shownMs = meter.showTimed(window);
    const long long shownRss = statusMiB("VmRSS:");

    // The user opens the Downloaded tab (the window starts on Downloading).
    window.pageContainer()->head()->m_btnDownLoaded->click();
    DownloadedWidget* list = window.pageContainer()->downloadedList();
    qint64 probedMs = -1;
    std::unique_ptr<PageScroller> scroller;
    const auto scroll = [&] {
        scroller = std::make_unique<PageScroller>(
            list->findChild<QScrollArea*>(), [list] { list->m_btnSmallDisplay->click(); },
            [] { QTimer::singleShot(200, [] { QCoreApplication::exit(0); }); });
    };
    bool gaveUp = false;
    meter.start([&](qint64 now) {
        if (probedMs >= 0 || gaveUp)
            return;
        if (list->items().isEmpty()) {
            probedMs = now;
            QCoreApplication::exit(0);
        } else if (rowsInViewProbed(*list)) {
            probedMs = now;
            scroll();
        } else if (now > kGiveUpMs) {
            gaveUp = true;
            QCoreApplication::exit(1);
        }
    });
    const int status = app.exec();
    std::printf(
        "rows %lld\nshown_ms %lld\nrss_mib %lld\npeak_rss_mib %lld\nin_view_probed_ms "
        "%lld\nlongest_stall_ms %lld\n",
        static_cast<long long>(list->items().size()), static_cast<long long>(shownMs), shownRss,
        statusMiB("VmHWM:"), static_cast<long long>(probedMs),
        static_cast<long long>(meter.longestStallMs()));
    return status;
}
