// The player on a real X display (Xvfb) with the engine's real video
// output: the picture reaches the screen inside the video surface, full
// screen covers the screen and the floating bar comes up at its bottom.
#include <QGuiApplication>
#include <QSignalSpy>

#include <dlfcn.h>
#include <QMouseEvent>
#include <QScreen>
#include <QTest>

#include "player/play_btn_widget.h"
#include "player/player_widget.h"
#include "player/video_surface.h"
#include "testing/gui_test.h"
#include "testing/media.h"
#include "testing/temp_dir.h"

namespace {

// The X server's own pointer, moved and clicked through the XTest
// extension (loaded at run time: the machine has the libraries, not their
// headers), so that events reach whichever window the server picks.
class XPointer {
public:
    XPointer() {
        x11_ = dlopen("libX11.so.6", RTLD_NOW);
        xtst_ = dlopen("libXtst.so.6", RTLD_NOW);
        if (!x11_ || !xtst_)
            return;
        open_ = reinterpret_cast<OpenFn>(dlsym(x11_, "XOpenDisplay"));
        flush_ = reinterpret_cast<FlushFn>(dlsym(x11_, "XFlush"));
        close_ = reinterpret_cast<FlushFn>(dlsym(x11_, "XCloseDisplay"));
        motion_ = reinterpret_cast<MotionFn>(dlsym(xtst_, "XTestFakeMotionEvent"));
        button_ = reinterpret_cast<ButtonFn>(dlsym(xtst_, "XTestFakeButtonEvent"));
        if (open_ && flush_ && close_ && motion_ && button_)
            display_ = open_(nullptr);
    }
    ~XPointer() {
        if (display_)
            close_(display_);
    }
    bool ok() const { return display_ != nullptr; }
    void moveTo(QPoint global) {
        motion_(display_, -1, global.x(), global.y(), 0);
        flush_(display_);
    }
    void click() {
        button_(display_, 1, 1, 0);
        button_(display_, 1, 0, 0);
        flush_(display_);
    }

private:
    using OpenFn = void* (*)(const char*);
    using FlushFn = int (*)(void*);
    using MotionFn = int (*)(void*, int, int, int, unsigned long);
    using ButtonFn = int (*)(void*, unsigned, int, unsigned long);
    void* x11_ = nullptr;
    void* xtst_ = nullptr;
    OpenFn open_ = nullptr;
    FlushFn flush_ = nullptr;
    FlushFn close_ = nullptr;
    MotionFn motion_ = nullptr;
    ButtonFn button_ = nullptr;
    void* display_ = nullptr;
};

class PlayerOnDisplayTest : public AppDirTest {
protected:
    static void SetUpTestSuite() {
        dir_ = new testing_support::TempDir;
        // Left half pure red, right half pure blue: colours a scaler keeps.
        testing_support::runFfmpeg(
            {"-f", "lavfi", "-i", "color=c=red:s=160x120:r=25:d=6", "-f", "lavfi", "-i",
             "color=c=blue:s=160x120:r=25:d=6", "-filter_complex",
             "[0]crop=80:120:0:0[l];[1]crop=80:120:0:0[r];[l][r]hstack", "-c:v", "libx264",
             "-pix_fmt", "yuv420p", (dir_->path() / "halves.mp4").string()});
    }
    static void TearDownTestSuite() { delete dir_; }
    static QString clip() { return QString::fromStdString((dir_->path() / "halves.mp4").string()); }

    PlayerOnDisplayTest() {
        PlayerWidget::resetFirstFileFit();
        player = PlayerWidget::instance();
    }
    ~PlayerOnDisplayTest() override { PlayerWidget::destroyInstance(); }

    // The screen's pixels in `rect` (global coordinates), as the X server
    // holds them: the engine's own drawing included.
    static QImage screenPixels(const QRect& rect) {
        return QGuiApplication::primaryScreen()
            ->grabWindow(0, rect.x(), rect.y(), rect.width(), rect.height())
            .toImage();
    }
    static bool near(const QColor& c, int r, int g, int b) {
        return qAbs(c.red() - r) < 60 && qAbs(c.green() - g) < 60 && qAbs(c.blue() - b) < 60;
    }

    void playAndPause() {
        player->playFile(clip());
        ASSERT_EQ(player->state(), PlayerWidget::Playing);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(player));
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return Player_GetPlayTime(player->engine()) > 500'000; }, 30000));
        player->OnBtnPause();
    }

    // Waits until the surface's left and right quarters show red and blue.
    bool pictureOnScreen() {
        VideoSurfaceWidget* surface = player->m_videoWidget;
        return QTest::qWaitFor(
            [&] {
                const QRect picture(surface->picture()->mapToGlobal(QPoint(0, 0)),
                                    surface->picture()->size());
                const QImage shot = screenPixels(picture);
                if (shot.isNull())
                    return false;
                const int y = shot.height() / 2;
                return near(shot.pixelColor(shot.width() / 4, y), 255, 0, 0) &&
                       near(shot.pixelColor(shot.width() * 3 / 4, y), 0, 0, 255);
            },
            20000);
    }

    static testing_support::TempDir* dir_;
    testing_support::ScopedEnv audioOut{"KESTREL_AO", "null"};
    PlayerWidget* player;
};

testing_support::TempDir* PlayerOnDisplayTest::dir_ = nullptr;

TEST_F(PlayerOnDisplayTest, TheFrameIsDrawnInTheVideoSurface) {
    ASSERT_EQ(QGuiApplication::platformName(), "xcb");
    playAndPause();
    EXPECT_TRUE(pictureOnScreen()) << "the clip's red and blue halves show on screen";
    // Outside the picture the window shows its own parts, not the video.
    const QRect bar(player->m_playBtnWidget->mapToGlobal(QPoint(0, 0)),
                    player->m_playBtnWidget->size());
    const QImage barShot = screenPixels(bar);
    EXPECT_FALSE(near(barShot.pixelColor(barShot.width() / 2, barShot.height() / 2), 255, 0, 0));
}

TEST_F(PlayerOnDisplayTest, FullScreenCoversTheScreenWithTheBarAtTheBottom) {
    playAndPause();
    player->OnBtnFullScreen();
    const QRect screen = player->screen()->geometry();
    ASSERT_TRUE(QTest::qWaitFor([&] { return player->geometry() == screen; }, 5000));
    EXPECT_TRUE(pictureOnScreen()) << "the picture is drawn full screen";
    const QImage corner =
        screenPixels(QRect(screen.x() + 2, screen.y() + screen.height() / 2, 4, 4));
    EXPECT_FALSE(near(corner.pixelColor(1, 1), 255, 255, 255)) << "no desktop shows at the edge";

    VideoSurfaceWidget* surface = player->m_videoWidget;
    const QPoint low(surface->width() / 2, surface->height() - 20);
    QMouseEvent move(QEvent::MouseMove, low, surface->mapToGlobal(low), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(surface, &move);
    PlayBtnWidget* bar = player->m_playBtnWidget;
    ASSERT_TRUE(QTest::qWaitForWindowExposed(bar));
    EXPECT_EQ(bar->geometry().bottom(), screen.bottom());
    EXPECT_EQ(bar->width(), screen.width());
    // The bar's own dark picture is on screen where it floats.
    const QRect barRect(bar->mapToGlobal(QPoint(0, 0)), bar->size());
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            const QImage shot = screenPixels(barRect);
            const QColor mid = shot.pixelColor(shot.width() / 2, shot.height() - 5);
            return mid.red() < 60 && mid.green() < 60 && mid.blue() < 60;
        },
        5000));
}

TEST_F(PlayerOnDisplayTest, ThePointerOverThePictureReachesThePlayer) {
    XPointer pointer;
    ASSERT_TRUE(pointer.ok()) << "XTest is not available";
    playAndPause();
    ASSERT_TRUE(pictureOnScreen());
    VideoSurfaceWidget* surface = player->m_videoWidget;
    QSignalSpy clicks(surface, &VideoSurfaceWidget::emitPlayOrPause);
    pointer.moveTo(surface->picture()->mapToGlobal(surface->picture()->rect().center()));
    QTest::qWait(100);  // let the server deliver the move before the click
    pointer.click();
    ASSERT_TRUE(clicks.wait(5000)) << "a click on the engine's picture comes to the surface";
    EXPECT_EQ(player->state(), PlayerWidget::Playing);

    pointer.click();
    pointer.click();
    EXPECT_TRUE(QTest::qWaitFor([&] { return player->isFullScreenMode(); }, 5000))
        << "a double click on the picture goes full screen";
    QSignalSpy band(surface, &VideoSurfaceWidget::emitShowBtn);
    pointer.moveTo(
        QPoint(surface->mapToGlobal(QPoint(surface->width() / 2, surface->height() - 10))));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !band.isEmpty(); }, 5000));
    EXPECT_TRUE(band.last().at(0).toBool());
}

}  // namespace
