// The preset table's codec numbers and the libavcodec codecs they name.
#pragma once

extern "C" {
#include <libavcodec/codec_id.h>
}

#include <optional>

namespace kestrel {

constexpr int kNoStream = -1;

struct CodecChoice {
    AVCodecID id = AV_CODEC_ID_NONE;
    unsigned tag = 0;  // a FourCC the container should record, 0 for its own
};

// Video numbers come from an older libavcodec list, most of them one off
// from today's: 28 is H.264 there, Indeo 3 today. Empty for numbers the
// table does not use.
std::optional<CodecChoice> videoCodecForNumber(int number);

// Audio numbers are today's identifiers; empty when no audio codec has it.
std::optional<CodecChoice> audioCodecForNumber(int number);

}  // namespace kestrel
