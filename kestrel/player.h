// A media player on libmpv that never makes its caller wait on the
// playback core: commands and property changes are sent asynchronously, and
// the state the caller reads is kept up to date from observed properties,
// drained with zero-timeout event polls.
#pragma once

#include "kestrel/media_probe.h"

#include <cstdint>
#include <string>

struct mpv_handle;

namespace kestrel {

class Player {
public:
    Player();
    ~Player();
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;

    bool ok() const { return core_ != nullptr; }

    bool open(const std::string& path);
    void close();
    void setWindow(std::int64_t window);
    void setVolume(int volume);
    bool play();
    bool pause();
    bool stop();
    void seek(std::int64_t timeUs);
    bool redraw();

    bool isOpen() const { return !path_.empty(); }
    const MediaFacts& facts() const { return facts_; }
    bool completed();
    std::int64_t playTimeUs();
    std::int64_t durationUs();

private:
    bool createCore();
    void destroyCore();
    void load(std::int64_t startUs, bool paused);
    // Sends a command without waiting; `reply` names its answer event.
    void command(const char* const* args, std::uint64_t reply = 0);
    void setFlag(const char* name, bool value);
    void drainEvents();
    void resetPlaybackState();

    mpv_handle* core_ = nullptr;
    std::int64_t window_ = 0;
    int volume_ = 100;

    std::string path_;
    MediaFacts facts_;
    bool loaded_ = false;         // the core has been handed the file
    bool coreHasLoaded_ = false;  // the core has had a file (and maybe a video output)
    bool awaitingStart_ = false;  // a file was handed over and the core has not started it
    // The answer awaited for the last seek; until it comes, reported times
    // are from before the seek.
    static constexpr std::uint64_t kSeekReplyBase = 1000;
    std::uint64_t seekCount_ = 0;
    std::uint64_t lastSeekReply_ = 0;
    bool awaitingSeek_ = false;
    std::int64_t pendingStartUs_ = 0;

    // Last known state, from the core's property changes.
    std::int64_t timeUs_ = 0;
    std::int64_t coreDurationUs_ = 0;
    bool paused_ = true;
    bool ended_ = false;
};

}  // namespace kestrel
