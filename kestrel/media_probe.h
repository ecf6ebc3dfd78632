// Reading a media file's facts and frames (the probe family, and the
// player's facts about the file it opens).
#pragma once

#include "kestrel/av_types.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kestrel {

struct MediaFacts {
    std::int64_t durationUs = 0;
    std::string formatName;
    bool hasVideo = false;
    bool hasAudio = false;
    int width = 0;
    int height = 0;
    std::int64_t videoBitRate = 0;
    bool canSeek = false;
};

// The facts of an opened input; `path` picks the container's name.
MediaFacts readFacts(AVFormatContext* input, const std::string& path);

// The demuxer name shown for a file: the one of the demuxer's
// comma-separated names that equals the file's extension, else the first.
std::string displayFormatName(const char* demuxerNames, const std::string& path);

// One open file with the means to pull frames out of it.
class MediaProbe {
public:
    // Opens `path`; ok() tells whether that worked.
    explicit MediaProbe(const std::string& path);

    bool ok() const { return input_ != nullptr; }
    const MediaFacts& facts() const { return facts_; }

    // The video frame nearest to `timeUs` as an in-memory BMP of the video
    // size; empty without video or when nothing decodes.
    std::vector<std::uint8_t> frameAsBmp(std::int64_t timeUs);

private:
    bool seekNear(std::int64_t timeUs);
    FramePtr decodeNearest(std::int64_t targetPts);
    std::vector<std::uint8_t> toBmp(const AVFrame* frame);

    InputPtr input_;
    MediaFacts facts_;
    int videoIndex_ = -1;
    CodecContextPtr decoder_;
};

}  // namespace kestrel
