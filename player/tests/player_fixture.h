// What the player tests share: clips made once by ffmpeg, the engine's null
// outputs, and a fresh player window for each test.
#pragma once

#include <QString>
#include <QTest>

#include "player/player_widget.h"
#include "testing/gui_test.h"
#include "testing/temp_dir.h"

// Clips made once per test binary.
struct PlayerClips {
    static const PlayerClips& get();
    QString video;   // 10 s, 160 x 120, with sound
    QString second;  // 3 s, 160 x 120, with sound
    QString audio;   // 3 s of sound only
    QString hour;    // one hour of a still picture
    QString text;    // a text file, not media
    QString folder;
};

class PlayerTest : public AppDirTest {
protected:
    PlayerTest();
    ~PlayerTest() override;

    PlayerWidget* player() { return m_player; }
    const PlayerClips& clips() { return PlayerClips::get(); }

    // Plays `path` through the list and waits until the engine's clock runs.
    void playAndWaitRunning(const QString& path);
    // Pauses and waits until the engine's clock stands.
    void pauseAndSettle();
    // Waits until the engine reports a time within 150 ms of `us`.
    bool engineTimeNear(qint64 us);
    qint64 engineTime() { return Player_GetPlayTime(m_player->engine()); }

private:
    testing_support::ScopedEnv m_videoOut{"KESTREL_VO", "null"};
    testing_support::ScopedEnv m_audioOut{"KESTREL_AO", "null"};
    PlayerWidget* m_player;
};
