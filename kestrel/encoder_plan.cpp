#include "kestrel/encoder_plan.h"

extern "C" {
#include <libavutil/rational.h>
}

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace kestrel {
namespace {

constexpr AVRational kPalRate{25, 1};
constexpr AVRational kNtscRate{30000, 1001};

struct Size {
    int width, height;
};

// NTSC for sources near 30 or 24 frames per second, PAL otherwise.
bool prefersNtsc(AVRational sourceRate) {
    const double fps = av_q2d(sourceRate);
    return fps > 27.5 || (fps >= 23.0 && fps < 24.5);
}

// H.263 knows only these picture sizes: the largest that fits the source,
// or the smallest one.
Size h263Size(int width, int height) {
    static constexpr std::array<Size, 5> sizes = {
        {{1408, 1152}, {704, 576}, {352, 288}, {176, 144}, {128, 96}}};
    for (Size s : sizes)
        if (s.width <= width && s.height <= height)
            return s;
    return sizes.back();
}

// Keeps the source's display aspect ratio on a picture of another size.
AVRational aspectKeepingSar(const SourceVideo& source, int width, int height) {
    AVRational sar = source.sampleAspect;
    if (sar.num <= 0 || sar.den <= 0)
        sar = {1, 1};
    AVRational result;
    av_reduce(&result.num, &result.den, static_cast<std::int64_t>(source.width) * sar.num * height,
              static_cast<std::int64_t>(source.height) * sar.den * width, 1 << 16);
    // Rounding to even sizes should not leave a ratio of 963:964 behind.
    if (std::fabs(av_q2d(result) - 1.0) < 0.01)
        return {1, 1};
    return result;
}

AVRational chooseFrameRate(const AVCodec* encoder, AVRational source) {
    if (source.num <= 0)
        source = kPalRate;
    if (encoder->supported_framerates)
        return encoder
            ->supported_framerates[av_find_nearest_q_idx(source, encoder->supported_framerates)];
    return source;
}

AVPixelFormat choosePixelFormat(const AVCodec* encoder, AVPixelFormat source) {
    if (!encoder->pix_fmts)
        return AV_PIX_FMT_YUV420P;
    for (const AVPixelFormat* f = encoder->pix_fmts; *f != AV_PIX_FMT_NONE; ++f)
        if (*f == AV_PIX_FMT_YUV420P)
            return *f;
    return avcodec_find_best_pix_fmt_of_list(encoder->pix_fmts, source, 0, nullptr);
}

// A bit rate that keeps the older codecs watchable (their built-in default of
// 200 kbit/s is not): bits per pixel per frame, within sane bounds.
std::int64_t watchableBitRate(AVCodecID codec, const VideoPlan& plan) {
    if (codec == AV_CODEC_ID_H264)
        return 0;  // x264 picks its rate from a constant quality
    const double bitsPerPixel = codec == AV_CODEC_ID_MPEG4 || codec == AV_CODEC_ID_VP8 ? 0.15 : 0.2;
    const double rate = plan.width * plan.height * av_q2d(plan.frameRate) * bitsPerPixel;
    return std::clamp<std::int64_t>(std::llround(rate), 400'000, 12'000'000);
}

bool canInterlace(AVCodecID codec) {
    return codec == AV_CODEC_ID_H264 || codec == AV_CODEC_ID_MPEG2VIDEO ||
           codec == AV_CODEC_ID_MPEG4;
}

void applyDiscStandard(DiscStandard disc, const SourceVideo& source, VideoPlan& plan) {
    const bool ntsc = prefersNtsc(source.frameRate);
    plan.frameRate = ntsc ? kNtscRate : kPalRate;
    plan.gopSize = ntsc ? 18 : 15;
    if (disc == DiscStandard::VideoCd) {
        plan.width = 352;
        plan.height = ntsc ? 240 : 288;
        plan.bitRate = plan.minRate = plan.maxRate = 1'150'000;
        plan.bufferSize = 40 * 1024 * 8;
    } else {
        plan.width = 720;
        plan.height = ntsc ? 480 : 576;
        plan.bitRate = 6'000'000;
        plan.maxRate = 9'000'000;
        plan.bufferSize = 224 * 1024 * 8;
    }
}

int closestSupportedRate(const std::vector<int>& rates, int source) {
    // The lowest rate that loses nothing, else the highest there is.
    int best = 0;
    for (int r : rates)
        if (r >= source && (best == 0 || r < best))
            best = r;
    return best ? best : *std::max_element(rates.begin(), rates.end());
}

std::vector<int> allowedSampleRates(AVCodecID codec, const AVCodec* encoder,
                                    const std::string& container) {
    // Flash ADPCM and the swf muxer only know the Flash rates; WMA v2 tops
    // out at 48 kHz and lists nothing.
    if (codec == AV_CODEC_ID_ADPCM_SWF || container == "swf")
        return {44100, 22050, 11025};
    std::vector<int> rates;
    if (encoder && encoder->supported_samplerates)
        for (const int* r = encoder->supported_samplerates; *r; ++r)
            rates.push_back(*r);
    if (rates.empty() && codec == AV_CODEC_ID_WMAV2)
        rates = {48000, 44100, 32000, 22050, 16000, 11025, 8000};
    return rates;
}

int chooseSampleRate(AVCodecID codec, const AVCodec* encoder, int source,
                     const std::string& container) {
    if (source <= 0)
        source = 44100;
    const std::vector<int> rates = allowedSampleRates(codec, encoder, container);
    return rates.empty() ? source : closestSupportedRate(rates, source);
}

AVSampleFormat chooseSampleFormat(const AVCodec* encoder, AVSampleFormat source) {
    if (!encoder || !encoder->sample_fmts)
        return AV_SAMPLE_FMT_S16;
    for (const AVSampleFormat* f = encoder->sample_fmts; *f != AV_SAMPLE_FMT_NONE; ++f)
        if (*f == source)
            return *f;
    // The first listed is the encoder's preferred one (FLAC: 16-bit, rather
    // than 24-bit output from float input).
    return encoder->sample_fmts[0];
}

// How many channels the codec and container carry without surprises.
int channelLimit(AVCodecID codec, const std::string& container) {
    if (container == "flv" || container == "swf")
        return 2;
    switch (codec) {
        case AV_CODEC_ID_AC3:
            return 6;
        case AV_CODEC_ID_AAC:
        case AV_CODEC_ID_FLAC:
        case AV_CODEC_ID_VORBIS:
        case AV_CODEC_ID_PCM_S16LE:
        case AV_CODEC_ID_PCM_S16BE:
            return 8;
        default:
            return 2;
    }
}

// Layouts here are plain channel masks (native order), which own no memory
// and may be copied as values.
AVChannelLayout wantedLayout(const AVChannelLayout& source, int limit) {
    AVChannelLayout layout{};
    const int channels = source.nb_channels > 0 ? source.nb_channels : 2;
    if (channels > limit)
        av_channel_layout_default(&layout, 2);
    else if (source.order == AV_CHANNEL_ORDER_NATIVE)
        av_channel_layout_copy(&layout, &source);
    else
        av_channel_layout_default(&layout, channels);
    return layout;
}

// The encoder's own layout list, when it has one, has the last word.
AVChannelLayout chooseLayout(const AVCodec* encoder, AVChannelLayout wanted) {
    if (!encoder || !encoder->ch_layouts)
        return wanted;
    const AVChannelLayout* sameCount = nullptr;
    const AVChannelLayout* stereo = nullptr;
    for (const AVChannelLayout* l = encoder->ch_layouts; l->nb_channels; ++l) {
        if (!av_channel_layout_compare(l, &wanted))
            return wanted;
        if (!sameCount && l->nb_channels == wanted.nb_channels)
            sameCount = l;
        if (!stereo && l->nb_channels == 2)
            stereo = l;
    }
    const AVChannelLayout* pick = sameCount ? sameCount : stereo ? stereo : &encoder->ch_layouts[0];
    AVChannelLayout result{};
    av_channel_layout_copy(&result, pick);
    return result;
}

std::int64_t audioBitRate(AVCodecID codec, int channels, DiscStandard disc) {
    const int pairs = std::max(1, (channels + 1) / 2);
    switch (codec) {
        case AV_CODEC_ID_AAC:
            return std::min(64'000 * channels, 384'000);
        case AV_CODEC_ID_MP3:
            return channels == 1 ? 96'000 : 192'000;
        case AV_CODEC_ID_MP2:
            return channels == 1 ? 112'000 : 224'000;
        case AV_CODEC_ID_AC3:
            return disc == DiscStandard::Dvd || channels > 2 ? 448'000 : 192'000;
        case AV_CODEC_ID_WMAV2:
            return 128'000 * pairs;
        default:
            return 0;
    }
}

}  // namespace

DiscStandard discStandardFor(const std::string& container) {
    if (container == "vcd")
        return DiscStandard::VideoCd;
    if (container == "dvd")
        return DiscStandard::Dvd;
    return DiscStandard::None;
}

VideoPlan planVideo(const AVCodec* encoder, const SourceVideo& source,
                    const ConversionSettings& settings, const std::string& container) {
    VideoPlan plan;
    const AVCodecID codec = encoder->id;
    const DiscStandard disc = discStandardFor(container);
    if (disc != DiscStandard::None) {
        applyDiscStandard(disc, source, plan);
    } else {
        if (codec == AV_CODEC_ID_H263) {
            const Size s = h263Size(source.width, source.height);
            plan.width = s.width;
            plan.height = s.height;
        } else {
            // Chroma subsampling needs even sizes.
            plan.width = std::max(2, source.width & ~1);
            plan.height = std::max(2, source.height & ~1);
        }
        plan.frameRate = chooseFrameRate(encoder, source.frameRate);
        plan.bitRate = watchableBitRate(codec, plan);
    }
    if (disc != DiscStandard::None && encoder->supported_framerates)
        plan.frameRate = chooseFrameRate(encoder, plan.frameRate);
    plan.sampleAspect = aspectKeepingSar(source, plan.width, plan.height);
    plan.pixelFormat = choosePixelFormat(encoder, source.pixelFormat);
    if (settings.videoProfile)
        plan.profile = *settings.videoProfile;
    if (settings.videoLevel)
        plan.level = *settings.videoLevel;
    plan.interlaced = settings.interlaced && canInterlace(codec);
    return plan;
}

AudioPlan planAudio(AVCodecID codec, const AVCodec* encoder, const SourceAudio& source,
                    const ConversionSettings& settings, const std::string& container) {
    AudioPlan plan;
    const DiscStandard disc = discStandardFor(container);
    if (codec == AV_CODEC_ID_AMR_NB) {
        // Narrow-band speech: 8 kHz mono 16-bit at 12.2 kbit/s.
        plan.sampleRate = 8000;
        plan.sampleFormat = AV_SAMPLE_FMT_S16;
        plan.layout = AV_CHANNEL_LAYOUT_MONO;
        plan.bitRate = 12'200;
        return plan;
    }
    if (disc == DiscStandard::VideoCd)
        plan.sampleRate = 44100;
    else if (disc == DiscStandard::Dvd)
        plan.sampleRate = 48000;
    else
        plan.sampleRate = chooseSampleRate(codec, encoder, source.sampleRate, container);
    plan.sampleFormat = chooseSampleFormat(encoder, source.sampleFormat);
    if (disc == DiscStandard::VideoCd) {
        plan.layout = AV_CHANNEL_LAYOUT_STEREO;
    } else {
        plan.layout =
            chooseLayout(encoder, wantedLayout(source.layout, channelLimit(codec, container)));
    }
    plan.bitRate = audioBitRate(codec, plan.layout.nb_channels, disc);
    if (settings.audioProfile)
        plan.profile = *settings.audioProfile;
    return plan;
}

}  // namespace kestrel
