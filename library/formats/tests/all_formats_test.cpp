// Every format of the table converts a demanding source (odd picture size,
// 15 frames per second, 5.1 sound at 48 kHz) into a file whose container,
// codecs, picture size and duration ffprobe confirms and that ffmpeg
// decodes without an error.
#include "library/formats/format_table.h"
#include "platform/process.h"
#include "testing/media.h"
#include "testing/temp_dir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <sstream>
#include <thread>

using testing_support::probeValue;
using testing_support::TempDir;

namespace {

constexpr double kSourceSeconds = 1.5;

struct Expected {
    const char* format;
    const char* container;  // ffprobe's format_name
    const char* video;      // codec name, "" for none
    const char* audio;
    int width, height;
    int channels;
};

void PrintTo(const Expected& expected, std::ostream* out) {
    *out << expected.format;
}

constexpr const char* kMp4Family = "mov,mp4,m4a,3gp,3g2,mj2";

// clang-format off
const Expected kExpected[] = {
    {"avi",  "avi",           "mpeg4",      "mp3",       320, 240, 2},
    {"havi", "avi",           "h264",       "ac3",       320, 240, 6},
    {"asf",  "asf",           "msmpeg4v3",  "wmav2",     320, 240, 2},
    {"wmv",  "asf",           "wmv2",       "wmav2",     320, 240, 2},
    {"flv",  "flv",           "flv1",       "adpcm_swf", 320, 240, 2},
    {"hlv",  "flv",           "h264",       "aac",       320, 240, 2},
    {"mp4",  kMp4Family,      "mpeg4",      "aac",       320, 240, 6},
    {"mov",  kMp4Family,      "h264",       "aac",       320, 240, 6},
    {"3gp",  kMp4Family,      "h263",       "amr_nb",    176, 144, 1},
    {"mkv",  "matroska,webm", "h264",       "aac",       320, 240, 6},
    {"webm", "matroska,webm", "vp8",        "vorbis",    320, 240, 6},
    {"vcd",  "mpeg",          "mpeg1video", "mp2",       352, 288, 2},
    {"dvd",  "mpeg",          "mpeg2video", "ac3",       720, 576, 6},
    {"mpg",  "mpeg",          "mpeg2video", "ac3",       720, 576, 6},
    {"vob",  "mpeg",          "mpeg2video", "ac3",       720, 576, 6},
    {"ts",   "mpegts",        "h264",       "aac",       320, 240, 6},
    {"m4v",  kMp4Family,      "h264",       "aac",       320, 240, 6},
    {"swf",  "swf",           "flv1",       "mp3",       320, 240, 2},
    {"f4v",  kMp4Family,      "h264",       "aac",       320, 240, 6},
    {"wav",  "wav",           "",           "pcm_s16le", 0, 0, 6},
    {"mp3",  "mp3",           "",           "mp3",       0, 0, 2},
    {"wma",  "asf",           "",           "wmav2",     0, 0, 2},
    {"m4a",  kMp4Family,      "",           "aac",       0, 0, 6},
    {"m4b",  kMp4Family,      "",           "aac",       0, 0, 6},
    {"m4r",  kMp4Family,      "",           "aac",       0, 0, 6},
    {"flac", "flac",          "",           "flac",      0, 0, 6},
    {"ogg",  "ogg",           "",           "vorbis",    0, 0, 6},
    {"aac",  "aac",           "",           "aac",       0, 0, 6},
    {"ac3",  "ac3",           "",           "ac3",       0, 0, 6},
    {"aiff", "aiff",          "",           "pcm_s16be", 0, 0, 6},
};
// clang-format on

// The container's duration, or, where the container keeps none (swf), the
// end of its last packet.
double measuredSeconds(const std::filesystem::path& file) {
    const std::string stored = probeValue(file, "format=duration");
    if (!stored.empty() && stored != "N/A")
        return std::stod(stored);
    platform::ProcessResult packets =
        platform::runProcess({"ffprobe", "-v", "error", "-show_entries",
                              "packet=pts_time,duration_time", "-of", "csv=p=0", file.string()},
                             true);
    double end = 0;
    std::istringstream lines(packets.output);
    for (std::string line; std::getline(lines, line);) {
        double pts = 0, duration = 0;
        if (std::sscanf(line.c_str(), "%lf,%lf", &pts, &duration) >= 1)
            end = std::max(end, pts + duration);
    }
    return end;
}

class AllFormatsTest : public ::testing::TestWithParam<Expected> {
protected:
    static void SetUpTestSuite() {
        dir_ = new TempDir;
        // testsrc keeps odd sizes (testsrc2 rounds them); FFV1 stores them.
        const std::string seconds = std::to_string(kSourceSeconds);
        testing_support::runFfmpeg(
            {"-f", "lavfi", "-i", "testsrc=size=321x241:rate=15:duration=" + seconds, "-f", "lavfi",
             "-i", "sine=frequency=440:sample_rate=48000:duration=" + seconds, "-af",
             "aformat=channel_layouts=5.1", "-c:v", "ffv1", "-c:a", "aac", "-shortest",
             source().string()});
    }
    static void TearDownTestSuite() { delete dir_; }
    static std::filesystem::path source() { return *dir_ / "demanding source.mkv"; }

    static TempDir* dir_;
};

TempDir* AllFormatsTest::dir_ = nullptr;

TEST_P(AllFormatsTest, ConvertsIntoAFileThatPlays) {
    const Expected& want = GetParam();
    const formats::OutputFormat* format = formats::findOutputFormat(want.format);
    ASSERT_NE(format, nullptr);
    TempDir out;
    const std::string target =
        formats::outputPathFor(source().string(), out.path().string(), format->extension);
    const kestrel_handle converter = formats::openConversion(*format, source().string(), target);
    ASSERT_NE(converter, 0u);
    ASSERT_TRUE(Converter_Start(converter));
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(3);
    while (Converter_IsCompleted(converter) == 0 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(Converter_IsCompleted(converter), 1);
    Converter_Close(converter);
    Converter_Release(converter);

    EXPECT_EQ(probeValue(target, "format=format_name"), want.container);
    EXPECT_EQ(probeValue(target, "stream=codec_name", "v:0"), want.video);
    EXPECT_EQ(probeValue(target, "stream=codec_name", "a:0"), want.audio);
    EXPECT_EQ(probeValue(target, "stream=channels", "a:0"), std::to_string(want.channels));
    if (*want.video) {
        EXPECT_EQ(probeValue(target, "stream=width", "v:0"), std::to_string(want.width));
        EXPECT_EQ(probeValue(target, "stream=height", "v:0"), std::to_string(want.height));
    }
    EXPECT_NEAR(measuredSeconds(target), kSourceSeconds, 0.5);
    // Disc images are written in whole sectors.
    const std::uintmax_t sector = format->container == "vcd"   ? 2324
                                  : format->container == "dvd" ? 2048
                                                               : 1;
    EXPECT_EQ(std::filesystem::file_size(target) % sector, 0u);
    const platform::ProcessResult decoded = platform::runProcess(
        {"ffmpeg", "-hide_banner", "-v", "error", "-nostdin", "-i", target, "-f", "null", "-"},
        true);
    EXPECT_TRUE(decoded.ok());
    EXPECT_EQ(decoded.output, "") << "every packet decodes without complaint";
}

INSTANTIATE_TEST_SUITE_P(EveryFormat, AllFormatsTest, ::testing::ValuesIn(kExpected),
                         [](const ::testing::TestParamInfo<Expected>& info) {
                             return std::string("f_") + info.param.format;
                         });

}  // namespace
