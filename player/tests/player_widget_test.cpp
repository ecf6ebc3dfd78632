// The player window's state machine on real clips, with null outputs.
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "player/play_btn_widget.h"
#include "player/play_list_widget.h"
#include "player/tests/player_fixture.h"
#include "player/video_surface.h"
#include "widgets/image_button.h"
#include "widgets/slider_ctrl.h"

namespace {

class PlayerWidgetTest : public PlayerTest {
protected:
    PlayBtnWidget* bar() { return player()->m_playBtnWidget; }
    QLabel* timeLabel() { return bar()->m_timeLabel; }
};

TEST_F(PlayerWidgetTest, PlaysPausesResumesAndStopsAVideo) {
    playAndWaitRunning(clips().video);
    EXPECT_FALSE(player()->isHidden()) << "playing shows the window";
    EXPECT_EQ(player()->m_videoNameLab->text(), "video.mp4");
    EXPECT_FALSE(player()->m_videoWidget->isHidden());
    EXPECT_TRUE(bar()->m_btnFullScreen->isEnabled());
    EXPECT_TRUE(player()->timeTimer()->isActive());
    EXPECT_FALSE(player()->screenTimer()->isActive());
    EXPECT_FALSE(bar()->m_btnPause->isHidden());
    EXPECT_TRUE(bar()->m_btnPlay->isHidden());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !timeLabel()->isHidden(); }, 5000));
    EXPECT_TRUE(timeLabel()->text().endsWith(" / 00:10")) << timeLabel()->text().toStdString();

    pauseAndSettle();
    EXPECT_FALSE(player()->timeTimer()->isActive()) << "the two timers never run together";
    EXPECT_TRUE(player()->screenTimer()->isActive());
    EXPECT_FALSE(bar()->m_btnPlay->isHidden());

    // A click on the picture plays again, after the double-click interval.
    QTest::mouseClick(player()->m_videoWidget, Qt::LeftButton, {}, QPoint(20, 20));
    ASSERT_TRUE(QTest::qWaitFor([&] { return player()->state() == PlayerWidget::Playing; }, 3000));
    const qint64 resumedAt = engineTime();
    EXPECT_TRUE(QTest::qWaitFor([&] { return engineTime() > resumedAt + 100'000; }, 20000));

    QTest::mouseClick(bar()->m_btnStop, Qt::LeftButton);
    EXPECT_EQ(player()->state(), PlayerWidget::Stopped);
    EXPECT_TRUE(player()->m_videoWidget->isHidden());
    EXPECT_FALSE(bar()->m_btnFullScreen->isEnabled());
    EXPECT_TRUE(timeLabel()->isHidden());
    EXPECT_EQ(timeLabel()->text(), "00:00:00 / 00:00:00");
    EXPECT_EQ(bar()->m_videoProSlider->value(), 0.0);
    EXPECT_FALSE(player()->timeTimer()->isActive());
    EXPECT_FALSE(player()->screenTimer()->isActive());
    EXPECT_EQ(engineTime(), 0) << "the engine went back to the start";

    QTest::mouseClick(bar()->m_btnPlay, Qt::LeftButton);
    EXPECT_EQ(player()->state(), PlayerWidget::Playing) << "a stopped file plays again";
}

TEST_F(PlayerWidgetTest, AudioOnlyFilePlaysWithoutSurfaceOrFullScreen) {
    playAndWaitRunning(clips().audio);
    EXPECT_TRUE(player()->m_videoWidget->isHidden());
    EXPECT_FALSE(bar()->m_btnFullScreen->isEnabled());
    player()->OnBtnFullScreen();
    EXPECT_FALSE(player()->isFullScreenMode());
    EXPECT_FALSE(player()->isFullScreen());

    // Pausing and playing again works for sound alone too.
    pauseAndSettle();
    bar()->OnBtnPalyOrPause();
    EXPECT_EQ(player()->state(), PlayerWidget::Playing);
    const qint64 resumedAt = engineTime();
    EXPECT_TRUE(QTest::qWaitFor([&] { return engineTime() > resumedAt + 100'000; }, 20000));
}

TEST_F(PlayerWidgetTest, BackAndFastStayInsideTheFile) {
    playAndWaitRunning(clips().video);
    pauseAndSettle();
    const qint64 duration = Player_GetDuration(player()->engine());
    ASSERT_GT(duration, 9'000'000);

    player()->ProgressValueChange(3'000'000.0 / double(duration));
    ASSERT_TRUE(engineTimeNear(3'000'000));
    QTest::mouseClick(bar()->m_btnBack, Qt::LeftButton);
    EXPECT_TRUE(engineTimeNear(0)) << "less than 5 s played: back goes to the start";

    player()->ProgressValueChange(7'000'000.0 / double(duration));
    ASSERT_TRUE(engineTimeNear(7'000'000));
    QTest::mouseClick(bar()->m_btnBack, Qt::LeftButton);
    EXPECT_TRUE(engineTimeNear(2'000'000));

    player()->ProgressValueChange(double(duration - 500'000) / double(duration));
    ASSERT_TRUE(engineTimeNear(duration - 500'000));
    QTest::mouseClick(bar()->m_btnFast, Qt::LeftButton);
    EXPECT_TRUE(engineTimeNear(duration - 1'000'000)) << "fast never passes the last second";
    EXPECT_EQ(player()->state(), PlayerWidget::Paused);
}

TEST_F(PlayerWidgetTest, MutingKeepsSilenceWhileTheVolumeMoves) {
    playAndWaitRunning(clips().video);
    EXPECT_EQ(player()->engineVolume(), 50) << "the start volume";
    QTest::mouseClick(bar()->m_btnVolume, Qt::LeftButton);
    EXPECT_TRUE(player()->isMuted());
    EXPECT_FALSE(bar()->m_btnMute->isHidden());
    EXPECT_EQ(player()->engineVolume(), 0);
    EXPECT_EQ(bar()->m_volumeSlider->value(), 0.0);

    player()->VolumeValueChange(0.8);
    EXPECT_EQ(player()->engineVolume(), 0) << "still silent";
    EXPECT_EQ(player()->volume(), 80) << "but the new volume is kept";

    QTest::mouseClick(bar()->m_btnMute, Qt::LeftButton);
    EXPECT_FALSE(player()->isMuted());
    EXPECT_EQ(player()->engineVolume(), 80);
    EXPECT_DOUBLE_EQ(bar()->m_volumeSlider->value(), 0.8);
}

TEST_F(PlayerWidgetTest, TimeShowsHoursForAnHourLongFileAndMinutesOtherwise) {
    playAndWaitRunning(clips().hour);
    pauseAndSettle();
    player()->ProgressValueChange(0.01);  // 36 s of 3600
    ASSERT_TRUE(engineTimeNear(36'000'000));
    player()->UpdateTime();
    EXPECT_EQ(timeLabel()->text(), "00:00:36 / 01:00:00");
    EXPECT_FALSE(timeLabel()->isHidden());

    playAndWaitRunning(clips().video);
    pauseAndSettle();
    player()->ProgressValueChange(0.3);
    ASSERT_TRUE(engineTimeNear(3'000'000));
    player()->UpdateTime();
    EXPECT_EQ(timeLabel()->text(), "00:03 / 00:10");
}

TEST_F(PlayerWidgetTest, PlayingASecondFileReplacesTheFirst) {
    playAndWaitRunning(clips().video);
    player()->ProgressValueChange(0.5);
    playAndWaitRunning(clips().second);
    EXPECT_EQ(player()->currentFile(), clips().second);
    EXPECT_EQ(player()->m_videoNameLab->text(), "second.mp4");
    EXPECT_NEAR(Player_GetDuration(player()->engine()), 3'000'000, 200'000);
    EXPECT_LT(engineTime(), 2'500'000) << "the second file starts from its beginning";
    EXPECT_EQ(player()->m_playListWidget->rows().size(), 2);
}

TEST_F(PlayerWidgetTest, AFileThatCannotPlayLeavesAUsableStoppedWindowWithTheReason) {
    player()->playFile(clips().text);
    EXPECT_EQ(player()->state(), PlayerWidget::Stopped);
    EXPECT_TRUE(player()->shownMessage().contains("not a media file"))
        << player()->shownMessage().toStdString();
    EXPECT_TRUE(player()->m_videoWidget->isHidden());
    EXPECT_FALSE(bar()->m_btnFullScreen->isEnabled());
    EXPECT_TRUE(timeLabel()->isHidden());

    player()->playFile(clips().folder + "/gone.mp4");
    EXPECT_TRUE(player()->shownMessage().contains("does not exist"));

    playAndWaitRunning(clips().video);
    EXPECT_TRUE(player()->shownMessage().isEmpty()) << "a file that plays clears the reason";
}

TEST_F(PlayerWidgetTest, FullScreenFloatsTheBarAndTheEndLeavesIt) {
    playAndWaitRunning(clips().second);
    player()->OnBtnFullScreen();
    ASSERT_TRUE(player()->isFullScreenMode());
    EXPECT_EQ(player()->geometry(), player()->screen()->geometry());
    EXPECT_TRUE(bar()->isWindow()) << "the control bar floats";
    EXPECT_TRUE(bar()->isHidden());
    EXPECT_TRUE(player()->m_playListWidget->isHidden());

    VideoSurfaceWidget* surface = player()->m_videoWidget;
    auto moveTo = [surface](QPoint at) {
        QMouseEvent move(QEvent::MouseMove, at, surface->mapToGlobal(at), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(surface, &move);
    };
    moveTo(QPoint(50, surface->height() - 10));
    ASSERT_FALSE(bar()->isHidden());
    EXPECT_EQ(bar()->geometry().bottom(), player()->screen()->geometry().bottom());
    moveTo(QPoint(50, surface->height() - VideoSurfaceWidget::kFloatingBarBand));
    EXPECT_TRUE(bar()->isHidden()) << "the band is the bottom 79 pixels";

    // The end of the file leaves full screen and shows the bar below again.
    player()->ProgressValueChange(0.9);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return player()->state() == PlayerWidget::Finished; }, 20000));
    EXPECT_FALSE(player()->isFullScreenMode());
    EXPECT_FALSE(bar()->isWindow());
    EXPECT_FALSE(bar()->isHidden());
    EXPECT_FALSE(player()->m_playListWidget->isHidden());
    EXPECT_TRUE(surface->isHidden());
}

TEST_F(PlayerWidgetTest, DoubleClickTogglesFullScreenWithoutPausing) {
    playAndWaitRunning(clips().video);
    VideoSurfaceWidget* surface = player()->m_videoWidget;
    QSignalSpy clicks(surface, &VideoSurfaceWidget::emitPlayOrPause);
    QTest::mouseDClick(surface, Qt::LeftButton, {}, QPoint(30, 30));
    EXPECT_TRUE(player()->isFullScreenMode());
    QTest::mouseDClick(surface, Qt::LeftButton, {}, QPoint(30, 30));
    EXPECT_FALSE(player()->isFullScreenMode());
    EXPECT_FALSE(clicks.wait(QApplication::doubleClickInterval() + 200));
    EXPECT_EQ(player()->state(), PlayerWidget::Playing);
}

TEST_F(PlayerWidgetTest, KeysDriveThePlayer) {
    playAndWaitRunning(clips().video);
    QApplication::setActiveWindow(player());
    ASSERT_TRUE(QTest::qWaitForWindowActive(player()));
    QTest::keyClick(player(), Qt::Key_Space);
    EXPECT_EQ(player()->state(), PlayerWidget::Paused);
    QTest::keyClick(player(), Qt::Key_Up);
    EXPECT_EQ(player()->engineVolume(), 55);
    QTest::keyClick(player(), Qt::Key_Down);
    QTest::keyClick(player(), Qt::Key_Down);
    EXPECT_EQ(player()->engineVolume(), 45);
    QTest::keyClick(player(), Qt::Key_M);
    EXPECT_EQ(player()->engineVolume(), 0);
    EXPECT_FALSE(bar()->m_btnMute->isHidden());

    player()->ProgressValueChange(0.2);
    ASSERT_TRUE(engineTimeNear(2'000'000));
    QTest::keyClick(player(), Qt::Key_Right);
    EXPECT_TRUE(engineTimeNear(7'000'000));
    QTest::keyClick(player(), Qt::Key_Left);
    EXPECT_TRUE(engineTimeNear(2'000'000));

    QTest::keyClick(player(), Qt::Key_F);
    EXPECT_TRUE(player()->isFullScreenMode());
    QTest::keyClick(player(), Qt::Key_Escape);
    EXPECT_FALSE(player()->isFullScreenMode());
}

TEST_F(PlayerWidgetTest, CloseHidesTheWindowAndClosesTheMedia) {
    playAndWaitRunning(clips().video);
    QTest::mouseClick(player()->m_btnClose, Qt::LeftButton);
    EXPECT_TRUE(player()->isHidden());
    EXPECT_EQ(Player_GetDuration(player()->engine()), 0) << "the media was closed";
    EXPECT_EQ(PlayerWidget::instance(), player()) << "the window is kept";
    playAndWaitRunning(clips().second);
    EXPECT_FALSE(player()->isHidden());
}

TEST_F(PlayerWidgetTest, OnlyTheFirstVideoSizesTheWindow) {
    playAndWaitRunning(clips().video);
    const QRect fitted = player()->geometry();
    EXPECT_EQ(fitted.width(), qMax(player()->minimumWidth(),
                                   qMin(160 + 232, player()->screen()->geometry().width() - 304)));
    player()->resize(900, 620);
    playAndWaitRunning(clips().second);
    EXPECT_EQ(player()->size(), QSize(900, 620));
}

TEST_F(PlayerWidgetTest, MaximiseTogglesBetweenTheSavedGeometryAndTheFreeArea) {
    player()->setGeometry(60, 50, 700, 450);
    player()->show();
    const QRect before = player()->geometry();
    QTest::mouseClick(player()->m_btnMax, Qt::LeftButton);
    const QScreen* screen = player()->screen();
    EXPECT_TRUE(player()->isMaximizedByToggle());
    EXPECT_EQ(player()->geometry(),
              QRect(0, 0, qMax(player()->minimumWidth(), screen->geometry().width()),
                    qMax(player()->minimumHeight(), screen->availableGeometry().height())));
    player()->OnBtnMax();
    EXPECT_EQ(player()->geometry(), before);
    QTest::mouseDClick(player(), Qt::LeftButton, {}, QPoint(300, 10));
    EXPECT_TRUE(player()->isMaximizedByToggle()) << "a double click on the title bar";
}

TEST_F(PlayerWidgetTest, TheRightEdgeResizesTheWindowOverThePlayList) {
    player()->setGeometry(60, 50, 700, 450);
    player()->show();
    QWidget* list = player()->m_playListWidget->viewport();
    const QPoint edge = list->mapFrom(player(), QPoint(player()->width() - 2, 200));
    auto send = [list](QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
        QMouseEvent event(type, at, list->mapToGlobal(at),
                          type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons,
                          Qt::NoModifier);
        QApplication::sendEvent(list, &event);
    };
    send(QEvent::MouseButtonPress, edge, Qt::LeftButton);
    send(QEvent::MouseMove, edge + QPoint(60, 0), Qt::LeftButton);
    send(QEvent::MouseButtonRelease, edge + QPoint(60, 0), Qt::NoButton);
    EXPECT_EQ(player()->geometry(), QRect(60, 50, 760, 450));
    EXPECT_EQ(player()->m_playListWidget->geometry().right(), 760 - 2) << "the list follows";
}

TEST_F(PlayerWidgetTest, PlayWithNothingLoadedPlaysTheListsFirstRow) {
    player()->m_playListWidget->addFiles({clips().second, clips().video}, false);
    EXPECT_EQ(player()->state(), PlayerWidget::NothingLoaded);
    QTest::mouseClick(bar()->m_btnPlay, Qt::LeftButton);
    EXPECT_EQ(player()->currentFile(), clips().second);
    EXPECT_EQ(player()->state(), PlayerWidget::Playing);
}

}  // namespace
