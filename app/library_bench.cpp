// clipwright-library-bench: times the start of the main window with the
// Downloaded list the application directory holds, for bench/library.
//
//   clipwright-library-bench
//
// Prints, in milliseconds: the time until the main window is shown, the
// time until every row of the Downloaded list has its facts and thumbnail,
// and the longest stall of the GUI thread meanwhile (a 5 ms timer that
// measures its own lateness).
#include <QApplication>
#include <cstdio>

#include "app/main_select_widget.h"
#include "app/main_window.h"
#include "app/stall_meter.h"
#include "library/downloaded_widget.h"
#include "library/media_bar.h"

namespace {

constexpr int kGiveUpMs = 300000;

bool allProbed(const DownloadedWidget& list) {
    return std::all_of(list.items().begin(), list.items().end(),
                       [](const MediaBar* row) { return row->hasFacts(); });
}

}  // namespace

int main(int argc, char** argv) {
    StallMeter meter;
    QApplication app(argc, argv);
    MainWindow window;
    const qint64 shownMs = meter.showTimed(window);

    DownloadedWidget* list = window.pageContainer()->downloadedList();
    meter.start([list](qint64 now) {
        if (allProbed(*list) || now > kGiveUpMs)
            QCoreApplication::exit(0);  // quit() would ask the window to close
    });
    app.exec();
    const qint64 probedMs = meter.elapsedMs();
    std::printf("rows %lld\nshown_ms %lld\nthumbnails_ms %lld\nlongest_stall_ms %lld\n",
                static_cast<long long>(list->items().size()), static_cast<long long>(shownMs),
                static_cast<long long>(probedMs), static_cast<long long>(meter.longestStallMs()));
    return allProbed(*list) ? 0 : 1;
}
