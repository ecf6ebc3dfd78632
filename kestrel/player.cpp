#include "kestrel/player.h"

#include <mpv/client.h>

#include <algorithm>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <string>

namespace kestrel {
namespace {

// Property ids for the observed properties.
enum Observed : std::uint64_t { kTimePos = 1, kDuration, kPause, kEofReached };

const char* envOr(const char* name, const char* fallback) {
    const char* value = std::getenv(name);
    return value && *value ? value : fallback;
}

std::int64_t secondsToUs(double seconds) {
    return static_cast<std::int64_t>(std::llround(seconds * 1e6));
}

std::string secondsText(std::int64_t us) {
    return std::to_string(static_cast<double>(us) / 1e6);
}

}  // namespace

Player::Player() {
    createCore();
}

Player::~Player() {
    destroyCore();
}

bool Player::createCore() {
    // The core parses numbers with the C locale; a GUI toolkit may have
    // changed LC_NUMERIC.
    std::setlocale(LC_NUMERIC, "C");
    core_ = mpv_create();
    coreHasLoaded_ = false;
    if (!core_)
        return false;
    // GPU output through EGL embeds on X11 and Xvfb; plain X11 drawing is
    // the fallback. Sound falls back to none without a device.
    mpv_set_option_string(core_, "vo", envOr("KESTREL_VO", "gpu,x11"));
    mpv_set_option_string(core_, "gpu-context", "x11egl");
    mpv_set_option_string(core_, "ao", envOr("KESTREL_AO", "pulse,alsa,null"));
    // At the end the last frame stays and the time stays readable.
    mpv_set_option_string(core_, "keep-open", "yes");
    mpv_set_option_string(core_, "idle", "yes");
    mpv_set_option_string(core_, "force-window", "no");
    mpv_set_option_string(core_, "input-default-bindings", "no");
    mpv_set_option_string(core_, "input-vo-keyboard", "no");
    // The window the video is drawn into belongs to the caller: its pointer
    // events (clicks, double clicks, moves) must reach the caller's window,
    // not be taken by the core's own drawing window.
    mpv_set_option_string(core_, "input-cursor", "no");
    mpv_set_option_string(core_, "osc", "no");
    mpv_set_option_string(core_, "terminal", "no");
    mpv_set_option_string(core_, "config", "no");
    if (window_) {
        std::int64_t wid = window_;
        mpv_set_option(core_, "wid", MPV_FORMAT_INT64, &wid);
    }
    if (mpv_initialize(core_) < 0) {
        mpv_terminate_destroy(core_);
        core_ = nullptr;
        return false;
    }
    mpv_observe_property(core_, kTimePos, "time-pos", MPV_FORMAT_DOUBLE);
    mpv_observe_property(core_, kDuration, "duration", MPV_FORMAT_DOUBLE);
    mpv_observe_property(core_, kPause, "pause", MPV_FORMAT_FLAG);
    mpv_observe_property(core_, kEofReached, "eof-reached", MPV_FORMAT_FLAG);
    setVolume(volume_);
    return true;
}

void Player::destroyCore() {
    if (core_)
        mpv_terminate_destroy(core_);
    core_ = nullptr;
    loaded_ = false;
    awaitingStart_ = false;
    awaitingSeek_ = false;
}

void Player::command(const char* const* args, std::uint64_t reply) {
    if (core_)
        mpv_command_async(core_, reply, const_cast<const char**>(args));
}

void Player::setFlag(const char* name, bool value) {
    if (!core_)
        return;
    int flag = value;
    mpv_set_property_async(core_, 0, name, MPV_FORMAT_FLAG, &flag);
}

void Player::resetPlaybackState() {
    timeUs_ = 0;
    coreDurationUs_ = 0;
    paused_ = true;
    ended_ = false;
    pendingStartUs_ = 0;
}

// Reads the file's facts here, so that the caller learns at once whether it
// plays and what it holds; the core gets the file at the first play.
bool Player::open(const std::string& path) {
    close();
    MediaProbe probe(path);
    if (!probe.ok() || (!probe.facts().hasVideo && !probe.facts().hasAudio))
        return false;
    path_ = path;
    facts_ = probe.facts();
    return true;
}

void Player::close() {
    if (loaded_) {
        const char* args[] = {"stop", nullptr};
        command(args);
    }
    loaded_ = false;
    path_.clear();
    facts_ = {};
    resetPlaybackState();
}

// The window must be known before the video output exists; a core that
// already drew elsewhere is replaced and the file picked up where it was.
void Player::setWindow(std::int64_t window) {
    if (window == window_)
        return;
    window_ = window;
    if (!core_)
        return;
    if (!coreHasLoaded_) {
        // No video output exists yet: the core takes the window as it is.
        std::int64_t wid = window_;
        mpv_set_property(core_, "wid", MPV_FORMAT_INT64, &wid);
        return;
    }
    const bool wasLoaded = loaded_;
    const bool wasPaused = paused_;
    const std::int64_t at = playTimeUs();
    destroyCore();
    createCore();
    if (wasLoaded)
        load(at, wasPaused);
    else
        pendingStartUs_ = at;
}

void Player::setVolume(int volume) {
    volume_ = std::clamp(volume, 0, 100);
    if (!core_)
        return;
    double level = volume_;
    mpv_set_property_async(core_, 0, "volume", MPV_FORMAT_DOUBLE, &level);
}

void Player::load(std::int64_t startUs, bool paused) {
    const std::string options =
        "start=" + secondsText(startUs) + ",pause=" + (paused ? "yes" : "no");
    const char* args[] = {"loadfile", path_.c_str(), "replace", options.c_str(), nullptr};
    command(args);
    loaded_ = true;
    coreHasLoaded_ = true;
    // Until the core starts this file, what it reports is about the one
    // before (its last times, its end).
    awaitingStart_ = true;
    awaitingSeek_ = false;
    timeUs_ = startUs;
    paused_ = paused;
    ended_ = false;
}

bool Player::play() {
    if (!isOpen() || !core_)
        return false;
    drainEvents();
    if (!loaded_) {
        load(pendingStartUs_, false);
        pendingStartUs_ = 0;
        return true;
    }
    if (ended_)
        seek(0);
    setFlag("pause", false);
    paused_ = false;
    return true;
}

bool Player::pause() {
    if (!isOpen())
        return false;
    setFlag("pause", true);
    paused_ = true;
    return true;
}

bool Player::stop() {
    if (!isOpen())
        return false;
    if (loaded_) {
        const char* args[] = {"stop", nullptr};
        command(args);
    }
    loaded_ = false;
    resetPlaybackState();
    return true;
}

void Player::seek(std::int64_t timeUs) {
    if (!isOpen())
        return;
    timeUs = std::max<std::int64_t>(timeUs, 0);
    if (facts_.durationUs > 0)
        timeUs = std::min(timeUs, facts_.durationUs);
    if (!loaded_) {
        pendingStartUs_ = timeUs;
    } else {
        const std::string target = secondsText(timeUs);
        const char* args[] = {"seek", target.c_str(), "absolute", nullptr};
        // Times the core reports before it has taken this seek are from the
        // old position: they must not undo the new time given at once.
        lastSeekReply_ = kSeekReplyBase + ++seekCount_;
        command(args, lastSeekReply_);
        awaitingSeek_ = true;
    }
    timeUs_ = timeUs;
    ended_ = false;
}

// The video output repaints its window by itself when it is uncovered or
// resized; a redraw request only has to find a picture to show.
bool Player::redraw() {
    return isOpen() && loaded_ && facts_.hasVideo;
}

bool Player::completed() {
    drainEvents();
    return isOpen() && ended_;
}

std::int64_t Player::playTimeUs() {
    drainEvents();
    return isOpen() ? timeUs_ : 0;
}

std::int64_t Player::durationUs() {
    drainEvents();
    if (!isOpen())
        return 0;
    return coreDurationUs_ > 0 ? coreDurationUs_ : facts_.durationUs;
}

void Player::drainEvents() {
    if (!core_)
        return;
    while (true) {
        mpv_event* event = mpv_wait_event(core_, 0);
        if (event->event_id == MPV_EVENT_NONE)
            return;
        if (event->event_id == MPV_EVENT_COMMAND_REPLY) {
            if (event->reply_userdata == lastSeekReply_)
                awaitingSeek_ = false;
            continue;
        }
        if (event->event_id == MPV_EVENT_START_FILE) {
            awaitingStart_ = false;
            continue;
        }
        if (awaitingStart_)
            continue;
        if (event->event_id == MPV_EVENT_END_FILE) {
            const auto* end = static_cast<mpv_event_end_file*>(event->data);
            // A file that cannot be played ends the same way as one that ran
            // to its end: the caller sees it as finished.
            if (loaded_ && (end->reason == MPV_END_FILE_REASON_EOF ||
                            end->reason == MPV_END_FILE_REASON_ERROR))
                ended_ = true;
            continue;
        }
        if (event->event_id != MPV_EVENT_PROPERTY_CHANGE || !loaded_)
            continue;
        const auto* property = static_cast<mpv_event_property*>(event->data);
        const bool present = property->format != MPV_FORMAT_NONE;
        switch (event->reply_userdata) {
            case kTimePos:
                if (present && !awaitingSeek_)
                    timeUs_ = secondsToUs(*static_cast<double*>(property->data));
                break;
            case kDuration:
                if (present)
                    coreDurationUs_ = secondsToUs(*static_cast<double*>(property->data));
                break;
            case kPause:
                if (present)
                    paused_ = *static_cast<int*>(property->data);
                break;
            case kEofReached:
                if (present && *static_cast<int*>(property->data))
                    ended_ = true;
                break;
        }
    }
}

}  // namespace kestrel
