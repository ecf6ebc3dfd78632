// The program's entry point: the application object, the main window, the
// five-second splash, then the event loop. No command-line options.
#include <QApplication>
#include <QNetworkProxyFactory>
#include <QScreen>

#include "app/boot_widget.h"
#include "app/main_window.h"
#include "browser/web_engine_setup.h"

int main(int argc, char** argv) {
    webengine::prepareBeforeApplication();
    QApplication app(argc, argv);
    QCoreApplication::addLibraryPath("./plugins");
    QNetworkProxyFactory::setUseSystemConfiguration(true);

    int exitCode = 0;
    {
        MainWindow window;
        {
            BootWidget splash;
            splash.exec();
        }
        // First shown in the middle of the screen's free area.
        const QRect free = window.screen()->availableGeometry();
        window.move(free.center() - window.rect().center());
        window.show();
        exitCode = app.exec();
    }
    return exitCode;
}
