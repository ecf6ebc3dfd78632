// The player room wired into the program: a file played from the
// Downloaded list plays in the player window, and the quit sequence destroys the window.
#include <QAction>
#include <QMenu>
#include <QTest>

#include "app/main_select_widget.h"
#include "app/main_window.h"
#include "library/downloaded_widget.h"
#include "player/player_widget.h"
#include "testing/gui_test.h"
#include "testing/media.h"
#include "testing/temp_dir.h"

namespace {

class PlayerRoomTest : public AppDirTest {
protected:
    testing_support::ScopedEnv videoOut{"KESTREL_VO", "null"};
    testing_support::ScopedEnv audioOut{"KESTREL_AO", "null"};
    testing_support::TempDir media;
};

TEST_F(PlayerRoomTest, AFilePlayedFromTheDownloadedListPlaysInThePlayerAndQuittingDestroysIt) {
    const std::filesystem::path clip = media.path() / "finished download.mp4";
    testing_support::makeClip(clip, {.seconds = 3, .width = 160, .height = 120});
    // A player left by an earlier window of this test program was made
    // with the real outputs.
    PlayerWidget::destroyInstance();
    MainWindow window;
    window.show();
    ASSERT_TRUE(PlayerWidget::exists()) << "the main window makes the player at start";
    PlayerWidget* player = PlayerWidget::instance();
    EXPECT_TRUE(player->isHidden());

    // Played from the Downloaded list, as its row's play button does.
    DownloadedWidget* downloaded = window.pageContainer()->downloadedList();
    downloaded->addNewItemBar(QString::fromStdString(clip.string()), "http://example.test/v");
    downloaded->respondVideoPlayEmit(QString::fromStdString(clip.string()));
    EXPECT_FALSE(player->isHidden());
    EXPECT_EQ(player->currentFile(), QString::fromStdString(clip.string()));
    EXPECT_EQ(player->state(), PlayerWidget::Playing);
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return Player_GetPlayTime(player->engine()) > 100'000; }, 20000));

    for (QAction* action : window.trayMenu()->actions()) {
        if (action->text() == "Quit (&Q)")
            action->trigger();
    }
    ASSERT_TRUE(MainWindow::quitting());
    EXPECT_FALSE(PlayerWidget::exists()) << "the quit sequence destroyed the player";
}

}  // namespace
