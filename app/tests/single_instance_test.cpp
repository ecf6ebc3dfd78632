// One instance per user: a second start of the real program hands its
// address to the first (a row appears there) and exits 0; a socket left by
// a crash is taken over.
#include "app/single_instance.h"
#include "app/main_select_widget.h"
#include "app/main_window.h"
#include "download/downloading_widget.h"
#include "download/tests/download_fixture.h"
#include "download/video_progress_bar.h"
#include "testing/gui_test.h"
#include "testing/temp_dir.h"

#include <QLocalSocket>
#include <QProcess>
#include <QProcessEnvironment>

#include <filesystem>

using download_test::qpath;
using download_test::waitFor;

namespace {

class SingleInstanceTest : public AppDirTest {
protected:
    SingleInstanceTest() {
        std::filesystem::permissions(m_runtime.path(), std::filesystem::perms::owner_all);
    }

    // Runs the program as a second start with `arguments`; its exit code,
    // -1 when it did not end normally in time.
    int secondStart(const QStringList& arguments) {
        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        program.setProcessEnvironment(environment);
        program.start(CLIPWRIGHT_PROGRAM, arguments);
        // The first instance answers from this event loop meanwhile.
        const bool ended = waitFor([&] { return program.state() == QProcess::NotRunning; }, 20000);
        if (!ended) {
            program.kill();
            program.waitForFinished();
            return -1;
        }
        return program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1;
    }

    testing_support::TempDir m_runtime;
    testing_support::ScopedEnv m_runtimeEnv{"XDG_RUNTIME_DIR", m_runtime.path().string()};
};

TEST_F(SingleInstanceTest, ASecondStartHandsItsAddressToTheFirstAndExits) {
    MainWindow window;
    SingleInstance instance;
    ASSERT_TRUE(instance.listen()) << instance.errorString().toStdString();
    EXPECT_TRUE(SingleInstance::socketPath().startsWith(qpath(m_runtime.path())));
    QObject::connect(&instance, &SingleInstance::argumentsReceived, &window,
                     &MainWindow::openArguments);
    window.hide();  // in the tray: the hand-off brings it back

    EXPECT_EQ(secondStart({"http://127.0.0.1:1/handed-over"}), 0);
    DownloadingWidget* list = window.pageContainer()->downloadingList();
    ASSERT_TRUE(waitFor([&] { return list->items().size() == 1; }));
    EXPECT_EQ(list->items().first()->m_url, "http://127.0.0.1:1/handed-over");
    EXPECT_TRUE(window.isVisible());

    // A start without arguments only brings the window forward.
    window.hide();
    EXPECT_EQ(secondStart({}), 0);
    EXPECT_TRUE(waitFor([&] { return window.isVisible(); }));
    EXPECT_EQ(list->items().size(), 1);
}

TEST_F(SingleInstanceTest, AStaleSocketIsTakenOver) {
    // What a crashed instance leaves: the socket's file, with nobody behind it.
    testing_support::writeFile(SingleInstance::socketPath().toStdString(), "");
    EXPECT_FALSE(SingleInstance::handOff({"x"}));
    SingleInstance instance;
    ASSERT_TRUE(instance.listen()) << instance.errorString().toStdString();
    QLocalSocket client;
    client.connectToServer(SingleInstance::socketPath());
    EXPECT_TRUE(client.waitForConnected(3000));
}

}  // namespace
