// The program's entry point: the application object, the main window, the
// five-second splash, then the event loop. No command-line options.
#include <QApplication>
#include <QNetworkProxyFactory>

#include "boot_widget.h"
#include "main_window.h"

int main(int argc, char** argv) {
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
        window.show();
        exitCode = app.exec();
    }
    return exitCode;
}
