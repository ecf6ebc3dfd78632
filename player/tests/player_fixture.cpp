#include "player/tests/player_fixture.h"

#include <QDir>
#include <QFile>

#include <cstdlib>

#include "testing/media.h"

using testing_support::ClipOptions;
using testing_support::makeClip;

const PlayerClips& PlayerClips::get() {
    static testing_support::TempDir* dir = new testing_support::TempDir;
    static const PlayerClips clips = [] {
        PlayerClips c;
        const std::filesystem::path root = dir->path();
        c.folder = QString::fromStdString(root.string());
        makeClip(root / "video.mp4", ClipOptions{.seconds = 10, .width = 160, .height = 120});
        makeClip(root / "second.mp4", ClipOptions{.seconds = 3, .width = 160, .height = 120});
        makeClip(root / "audio.m4a", ClipOptions{.seconds = 3, .video = false});
        // An hour kept small: one still frame a second, no sound.
        testing_support::runFfmpeg({"-f", "lavfi", "-i", "color=c=blue:s=64x48:r=1:d=3600", "-c:v",
                                    "libx264", "-g", "600", (root / "hour.mp4").string()});
        c.video = c.folder + "/video.mp4";
        c.second = c.folder + "/second.mp4";
        c.audio = c.folder + "/audio.m4a";
        c.hour = c.folder + "/hour.mp4";
        c.text = c.folder + "/notes.txt";
        QFile text(c.text);
        if (text.open(QIODevice::WriteOnly))
            text.write("plain words, not media\n");
        return c;
    }();
    return clips;
}

PlayerTest::PlayerTest() {
    clips();
    PlayerWidget::resetFirstFileFit();
    m_player = PlayerWidget::instance();
}

PlayerTest::~PlayerTest() {
    PlayerWidget::destroyInstance();
}

void PlayerTest::playAndWaitRunning(const QString& path) {
    m_player->playFile(path);
    ASSERT_EQ(m_player->state(), PlayerWidget::Playing);
    ASSERT_TRUE(QTest::qWaitFor([&] { return engineTime() > 100'000; }, 20000))
        << "the engine's clock never ran";
}

void PlayerTest::pauseAndSettle() {
    m_player->OnBtnPause();
    ASSERT_EQ(m_player->state(), PlayerWidget::Paused);
    qint64 last = engineTime();
    int steady = 0;
    // The core halts on its own thread: wait until five polls 50 ms apart
    // agree.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            QTest::qWait(50);
            const qint64 now = engineTime();
            steady = now == last ? steady + 1 : 0;
            last = now;
            return steady >= 5;
        },
        20000));
}

bool PlayerTest::engineTimeNear(qint64 us) {
    return QTest::qWaitFor([&] { return qAbs(engineTime() - us) < 150'000; }, 20000);
}
