// What each encoder is given: picture sizes, rates, formats, layouts and bit
// rates chosen from the source, the encoder's own limits, the container and
// the disc standards. Pure decisions, no encoding.
#pragma once

#include "kestrel/conversion_settings.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/channel_layout.h>
}

#include <cstdint>
#include <string>

namespace kestrel {

enum class DiscStandard { None, VideoCd, Dvd };

// The disc a muxer writes for: "vcd" Video CD, "dvd" DVD-Video.
DiscStandard discStandardFor(const std::string& container);

struct SourceVideo {
    int width = 0;
    int height = 0;
    AVRational sampleAspect{0, 1};
    AVRational frameRate{0, 1};  // {0,1} when unknown
    AVPixelFormat pixelFormat = AV_PIX_FMT_NONE;
};

struct VideoPlan {
    int width = 0;
    int height = 0;
    AVRational sampleAspect{1, 1};
    AVRational frameRate{25, 1};
    AVPixelFormat pixelFormat = AV_PIX_FMT_YUV420P;
    std::int64_t bitRate = 0;  // 0: the encoder's own quality mode (H.264)
    std::int64_t minRate = 0;
    std::int64_t maxRate = 0;
    int bufferSize = 0;
    int gopSize = 0;  // 0: the encoder's default
    int profile = FF_PROFILE_UNKNOWN;
    int level = FF_LEVEL_UNKNOWN;
    bool interlaced = false;  // top field first
};

VideoPlan planVideo(const AVCodec* encoder, const SourceVideo& source,
                    const ConversionSettings& settings, const std::string& container);

struct SourceAudio {
    int sampleRate = 0;
    AVSampleFormat sampleFormat = AV_SAMPLE_FMT_NONE;
    AVChannelLayout layout{};
};

struct AudioPlan {
    int sampleRate = 44100;
    AVSampleFormat sampleFormat = AV_SAMPLE_FMT_S16;
    AVChannelLayout layout = AV_CHANNEL_LAYOUT_STEREO;
    std::int64_t bitRate = 0;  // 0: the encoder's default or quality mode
    int profile = FF_PROFILE_UNKNOWN;
};

// `encoder` may be null for codecs the engine encodes itself (AMR-NB).
AudioPlan planAudio(AVCodecID codec, const AVCodec* encoder, const SourceAudio& source,
                    const ConversionSettings& settings, const std::string& container);

}  // namespace kestrel
