// The program's entry point: the command line, the per-user data folder,
// the application object, the main window, the five-second splash, then
// the event loop. Arguments are page addresses and media files; a second
// start hands them to the first.
#include <QApplication>
#include <QNetworkProxyFactory>
#include <QScreen>
#include <QTimer>

#include <cstdio>
#include <cstring>

#include "app/boot_widget.h"
#include "app/main_window.h"
#include "app/single_instance.h"
#include "app/termination_signals.h"
#include "browser/web_engine_setup.h"
#include "core/app_files.h"
#include "core/product.h"

namespace {

constexpr int kUsageError = 2;

void printHelp(std::FILE* out) {
    std::fprintf(out,
                 "usage: clipwright [options] [URL | FILE ...]\n"
                 "\n"
                 "Downloads videos from web pages, converts them and plays them.\n"
                 "\n"
                 "options:\n"
                 "  -h, --help    show this help and exit\n"
                 "  --version     show the version and exit\n"
                 "\n"
                 "Qt's own options (-platform NAME, -display DISPLAY, ...) are accepted too.\n"
                 "Shipped data is read from %s; settings, lists and the log\n"
                 "are written to %s.\n",
                 qPrintable(appfiles::shippedDir()), qPrintable(appfiles::userDir()));
}

// --help and --version are answered before the application object exists,
// so that they work without a display.
bool answerInformationOptions(int argc, char** argv, int* exitCode) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("clipwright %s\n", qPrintable(product::version()));
            *exitCode = 0;
            return true;
        }
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            printHelp(stdout);
            *exitCode = 0;
            return true;
        }
    }
    return false;
}

// What is left once Qt has taken its own options: links and files (from
// the desktop entry's %U), never options.
bool checkRemainingArguments(const QStringList& arguments) {
    for (const QString& argument : arguments.mid(1)) {
        if (argument.startsWith('-')) {
            std::fprintf(stderr, "clipwright: unknown option '%s'\n", qPrintable(argument));
            printHelp(stderr);
            return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    int exitCode = 0;
    if (answerInformationOptions(argc, argv, &exitCode))
        return exitCode;
    webengine::prepareBeforeApplication();
    QApplication app(argc, argv);
    if (!checkRemainingArguments(QCoreApplication::arguments()))
        return kUsageError;
    // Extra Qt plugins beside the program, never from the current folder.
    QCoreApplication::addLibraryPath(QCoreApplication::applicationDirPath() + "/plugins");
    QNetworkProxyFactory::setUseSystemConfiguration(true);
    // The program runs without its user folder (nothing it writes will
    // last), but says why.
    if (const QString problem = appfiles::prepareUserFolder(); !problem.isEmpty())
        std::fprintf(stderr, "clipwright: %s\n", qPrintable(problem));

    // A program already running takes this start's addresses and files.
    const QStringList arguments = app.arguments().mid(1);
    if (SingleInstance::handOff(arguments))
        return 0;
    SingleInstance instance;
    instance.listen();
    {
        // Installed first, so that a signal during the start is kept until
        // the window can act on it.
        TerminationSignals termination;
        MainWindow window;
        QObject::connect(&instance, &SingleInstance::argumentsReceived, &window,
                         &MainWindow::openArguments);
        BootWidget* splash = nullptr;
        bool terminated = false;
        QObject::connect(&termination, &TerminationSignals::emitReceived, &window, [&] {
            terminated = true;
            if (splash)
                splash->reject();  // the quit follows once the splash is gone
            else
                window.OnActionQuit();
        });
        {
            BootWidget boot;
            splash = &boot;
            boot.exec();
            splash = nullptr;
        }
        // First shown in the middle of the screen's free area.
        const QRect free = window.screen()->availableGeometry();
        window.move(free.center() - window.rect().center());
        window.show();
        if (terminated)
            QTimer::singleShot(0, &window, &MainWindow::OnActionQuit);
        if (!arguments.isEmpty())
            window.openArguments(arguments);
        exitCode = app.exec();
    }
    return exitCode;
}
