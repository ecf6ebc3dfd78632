// The player family of the flat interface.
#include "kestrel/handle_table.h"
#include "kestrel/kestrel.h"
#include "kestrel/player.h"

#include <memory>

namespace {

using kestrel::Player;

kestrel::HandleTable<Player>& players() {
    static kestrel::HandleTable<Player> table;
    return table;
}

}  // namespace

extern "C" {

kestrel_handle Player_Create(int /*code*/) {
    auto player = std::make_unique<Player>();
    return player->ok() ? players().add(std::move(player)) : 0;
}

int Player_SetAudioVolume(kestrel_handle h, int volume) {
    Player* player = players().find(h);
    if (!player)
        return 0;
    player->setVolume(volume);
    return 1;
}

int Player_Open(kestrel_handle h, const char* path) {
    Player* player = players().find(h);
    return player && path && player->open(path);
}

int Player_HasVideo(kestrel_handle h) {
    Player* player = players().find(h);
    return player && player->facts().hasVideo;
}

int Player_HasAudio(kestrel_handle h) {
    Player* player = players().find(h);
    return player && player->facts().hasAudio;
}

int Player_SetVideoView(kestrel_handle h, uintptr_t window) {
    Player* player = players().find(h);
    if (!player)
        return 0;
    player->setWindow(static_cast<std::int64_t>(window));
    return player->ok();
}

int Player_Play(kestrel_handle h) {
    Player* player = players().find(h);
    return player && player->play();
}

int Player_Pause(kestrel_handle h) {
    Player* player = players().find(h);
    return player && player->pause();
}

int Player_Stop(kestrel_handle h) {
    Player* player = players().find(h);
    return player && player->stop();
}

int Player_IsCompleted(kestrel_handle h) {
    Player* player = players().find(h);
    return player && player->completed();
}

void Player_Seek(kestrel_handle h, int64_t time) {
    if (Player* player = players().find(h))
        player->seek(time);
}

int64_t Player_GetPlayTime(kestrel_handle h) {
    Player* player = players().find(h);
    return player ? player->playTimeUs() : 0;
}

int64_t Player_GetDuration(kestrel_handle h) {
    Player* player = players().find(h);
    return player ? player->durationUs() : 0;
}

int Player_GetVideoWidth(kestrel_handle h) {
    Player* player = players().find(h);
    return player ? player->facts().width : 0;
}

int Player_GetVideoHeight(kestrel_handle h) {
    Player* player = players().find(h);
    return player ? player->facts().height : 0;
}

int Player_ShowVideoFrame(kestrel_handle h) {
    Player* player = players().find(h);
    return player && player->redraw();
}

void Player_Close(kestrel_handle h) {
    if (Player* player = players().find(h))
        player->close();
}

void Player_Release(kestrel_handle h) {
    players().take(h);
}

}  // extern "C"
