// The program's entry point: the application object, the main window, the
// five-second splash, then the event loop. Arguments are page addresses and
// media files; a second start hands them to the first.
#include <QApplication>
#include <QNetworkProxyFactory>
#include <QScreen>

#include "app/boot_widget.h"
#include "app/main_window.h"
#include "app/single_instance.h"
#include "browser/web_engine_setup.h"

int main(int argc, char** argv) {
    webengine::prepareBeforeApplication();
    QApplication app(argc, argv);
    QCoreApplication::addLibraryPath("./plugins");
    QNetworkProxyFactory::setUseSystemConfiguration(true);

    // A program already running takes this start's addresses and files.
    const QStringList arguments = app.arguments().mid(1);
    if (SingleInstance::handOff(arguments))
        return 0;
    SingleInstance instance;
    instance.listen();

    int exitCode = 0;
    {
        MainWindow window;
        QObject::connect(&instance, &SingleInstance::argumentsReceived, &window,
                         &MainWindow::openArguments);
        {
            BootWidget splash;
            splash.exec();
        }
        // First shown in the middle of the screen's free area.
        const QRect free = window.screen()->availableGeometry();
        window.move(free.center() - window.rect().center());
        window.show();
        if (!arguments.isEmpty())
            window.openArguments(arguments);
        exitCode = app.exec();
    }
    return exitCode;
}
