// What the engine asks of each encoder: sizes, rates, layouts and formats
// that the encoders and disc standards accept.
#include "kestrel/encoder_plan.h"

#include <gtest/gtest.h>

namespace kestrel {
namespace {

SourceVideo video(int width, int height, AVRational rate) {
    return SourceVideo{width, height, {1, 1}, rate, AV_PIX_FMT_YUV420P};
}

SourceAudio audio(int rate, AVSampleFormat format, AVChannelLayout layout) {
    return SourceAudio{rate, format, layout};
}

VideoPlan planFor(AVCodecID codec, const SourceVideo& source, const std::string& container,
                  const ConversionSettings& settings = {}) {
    const AVCodec* encoder = avcodec_find_encoder(codec);
    EXPECT_NE(encoder, nullptr);
    return planVideo(encoder, source, settings, container);
}

AudioPlan planFor(AVCodecID codec, const SourceAudio& source, const std::string& container) {
    return planAudio(codec, avcodec_find_encoder(codec), source, {}, container);
}

TEST(EncoderPlanTest, PictureSizesFitTheEncoder) {
    const VideoPlan odd = planFor(AV_CODEC_ID_MPEG4, video(321, 241, {25, 1}), "mp4");
    EXPECT_EQ(odd.width, 320);
    EXPECT_EQ(odd.height, 240);
    EXPECT_EQ(av_cmp_q(odd.sampleAspect, {1, 1}), 0) << "rounding keeps square pixels";

    const VideoPlan h263 = planFor(AV_CODEC_ID_H263, video(640, 360, {25, 1}), "3gp");
    EXPECT_EQ(h263.width, 352);
    EXPECT_EQ(h263.height, 288);
    EXPECT_GT(av_q2d(h263.sampleAspect), 1.0) << "a wide picture keeps its shape";
    const VideoPlan tiny = planFor(AV_CODEC_ID_H263, video(64, 48, {25, 1}), "3gp");
    EXPECT_EQ(tiny.width, 128);
    EXPECT_EQ(tiny.height, 96);
}

TEST(EncoderPlanTest, DiscsFollowTheirStandards) {
    const VideoPlan pal = planFor(AV_CODEC_ID_MPEG1VIDEO, video(320, 240, {15, 1}), "vcd");
    EXPECT_EQ(pal.width, 352);
    EXPECT_EQ(pal.height, 288);
    EXPECT_EQ(av_cmp_q(pal.frameRate, {25, 1}), 0) << "MPEG-1 refuses 15 fps";
    EXPECT_EQ(pal.bitRate, 1'150'000);
    EXPECT_EQ(pal.maxRate, pal.minRate);

    ConversionSettings interlaced;
    interlaced.interlaced = true;
    const VideoPlan ntsc =
        planFor(AV_CODEC_ID_MPEG2VIDEO, video(1280, 720, {30000, 1001}), "dvd", interlaced);
    EXPECT_EQ(ntsc.width, 720);
    EXPECT_EQ(ntsc.height, 480);
    EXPECT_EQ(av_cmp_q(ntsc.frameRate, {30000, 1001}), 0);
    EXPECT_EQ(ntsc.maxRate, 9'000'000);
    EXPECT_TRUE(ntsc.interlaced);

    const AudioPlan vcdSound =
        planFor(AV_CODEC_ID_MP2, audio(48000, AV_SAMPLE_FMT_FLTP, AV_CHANNEL_LAYOUT_MONO), "vcd");
    EXPECT_EQ(vcdSound.sampleRate, 44100);
    EXPECT_EQ(vcdSound.layout.nb_channels, 2);
    EXPECT_EQ(vcdSound.bitRate, 224'000);
}

TEST(EncoderPlanTest, OlderCodecsGetWatchableRatesAndOnlyCapableOnesInterlace) {
    ConversionSettings interlaced;
    interlaced.interlaced = true;
    const VideoPlan flv = planFor(AV_CODEC_ID_FLV1, video(1280, 720, {30, 1}), "flv", interlaced);
    EXPECT_GT(flv.bitRate, 1'000'000);
    EXPECT_FALSE(flv.interlaced);
    const VideoPlan h264 =
        planFor(AV_CODEC_ID_H264, video(1280, 720, {30, 1}), "matroska", interlaced);
    EXPECT_EQ(h264.bitRate, 0) << "x264 keeps its constant quality";
    EXPECT_TRUE(h264.interlaced);
    EXPECT_EQ(h264.pixelFormat, AV_PIX_FMT_YUV420P);
}

TEST(EncoderPlanTest, SoundIsConvertedToWhatTheEncoderTakes) {
    const AVChannelLayout surround = AV_CHANNEL_LAYOUT_5POINT1;
    const AudioPlan wma =
        planFor(AV_CODEC_ID_WMAV2, audio(96000, AV_SAMPLE_FMT_FLTP, surround), "asf");
    EXPECT_EQ(wma.layout.nb_channels, 2);
    EXPECT_EQ(wma.sampleRate, 48000);

    const AudioPlan ac3 =
        planFor(AV_CODEC_ID_AC3, audio(48000, AV_SAMPLE_FMT_FLTP, surround), "avi");
    EXPECT_EQ(ac3.layout.nb_channels, 6);

    const AudioPlan swf = planFor(
        AV_CODEC_ID_ADPCM_SWF, audio(48000, AV_SAMPLE_FMT_FLTP, AV_CHANNEL_LAYOUT_STEREO), "flv");
    EXPECT_EQ(swf.sampleRate, 44100);
    const AudioPlan swfMp3 =
        planFor(AV_CODEC_ID_MP3, audio(32000, AV_SAMPLE_FMT_FLTP, AV_CHANNEL_LAYOUT_STEREO), "swf");
    EXPECT_EQ(swfMp3.sampleRate, 44100) << "the swf muxer knows only the Flash rates";

    const AudioPlan flac =
        planFor(AV_CODEC_ID_FLAC, audio(44100, AV_SAMPLE_FMT_FLTP, surround), "flac");
    EXPECT_EQ(flac.sampleFormat, AV_SAMPLE_FMT_S16) << "not 24-bit from float input";
    EXPECT_EQ(flac.layout.nb_channels, 6);

    const AudioPlan amr = planAudio(AV_CODEC_ID_AMR_NB, nullptr,
                                    audio(44100, AV_SAMPLE_FMT_FLTP, surround), {}, "3gp");
    EXPECT_EQ(amr.sampleRate, 8000);
    EXPECT_EQ(amr.layout.nb_channels, 1);
    EXPECT_EQ(amr.sampleFormat, AV_SAMPLE_FMT_S16);
}

}  // namespace
}  // namespace kestrel
