#include "kestrel/codec_numbers.h"

extern "C" {
#include <libavcodec/codec_desc.h>
#include <libavutil/macros.h>
}

namespace kestrel {

std::optional<CodecChoice> videoCodecForNumber(int number) {
    switch (number) {
        case 1:
            return CodecChoice{AV_CODEC_ID_MPEG1VIDEO};
        case 2:
            return CodecChoice{AV_CODEC_ID_MPEG2VIDEO};
        case 5:
            return CodecChoice{AV_CODEC_ID_H263};
        case 13:
            return CodecChoice{AV_CODEC_ID_MPEG4};
        case 17:
            return CodecChoice{AV_CODEC_ID_MSMPEG4V3};
        case 19:
            return CodecChoice{AV_CODEC_ID_WMV2};
        case 22:
            return CodecChoice{AV_CODEC_ID_FLV1};
        case 28:
            return CodecChoice{AV_CODEC_ID_H264};
        case 141:
            return CodecChoice{AV_CODEC_ID_VP8};
        case MKTAG('X', 'V', 'I', 'D'):
            return CodecChoice{AV_CODEC_ID_MPEG4, MKTAG('X', 'V', 'I', 'D')};
        default:
            return std::nullopt;
    }
}

std::optional<CodecChoice> audioCodecForNumber(int number) {
    const AVCodecDescriptor* descriptor = avcodec_descriptor_get(static_cast<AVCodecID>(number));
    if (!descriptor || descriptor->type != AVMEDIA_TYPE_AUDIO)
        return std::nullopt;
    return CodecChoice{descriptor->id};
}

}  // namespace kestrel
