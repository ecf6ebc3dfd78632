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
#include <QElapsedTimer>
#include <QTimer>
#include <cstdio>

#include "app/main_select_widget.h"
#include "app/main_window.h"
#include "library/downloaded_widget.h"
#include "library/media_bar.h"

namespace {

constexpr int kTickMs = 5;
constexpr int kGiveUpMs = 300000;

bool allProbed(const DownloadedWidget& list) {
    return std::all_of(list.items().begin(), list.items().end(),
                       [](const MediaBar* row) { return row->hasFacts(); });
}

}  // namespace

int main(int argc, char** argv) {
    QElapsedTimer clock;
    clock.start();
    QApplication app(argc, argv);
    MainWindow window;
    window.show();
    QApplication::processEvents();
    const qint64 shownMs = clock.elapsed();

    DownloadedWidget* list = window.pageContainer()->downloadedList();
    qint64 longestStallMs = 0;
    qint64 lastTick = clock.elapsed();
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        longestStallMs = std::max(longestStallMs, now - lastTick - kTickMs);
        lastTick = now;
        if (allProbed(*list) || now > kGiveUpMs)
            QCoreApplication::exit(0);  // quit() would ask the window to close
    });
    ticker.start(kTickMs);
    app.exec();
    const qint64 probedMs = clock.elapsed();
    std::printf("rows %lld\nshown_ms %lld\nthumbnails_ms %lld\nlongest_stall_ms %lld\n",
                static_cast<long long>(list->items().size()), static_cast<long long>(shownMs),
                static_cast<long long>(probedMs), static_cast<long long>(longestStallMs));
    return allProbed(*list) ? 0 : 1;
}
