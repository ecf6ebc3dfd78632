// The probe family on clips made by ffmpeg: facts, frames as BMP, refusals.
#include "kestrel/kestrel.h"
#include "testing/media.h"
#include "testing/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <set>

using testing_support::ClipOptions;
using testing_support::makeClip;
using testing_support::TempDir;

namespace {

std::uint32_t le32(const unsigned char* at) {
    std::uint32_t value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

class ProbeTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = new TempDir;
        makeClip(clip(), ClipOptions{.seconds = 2.0, .width = 320, .height = 240});
        makeClip(song(), ClipOptions{.seconds = 1.0, .video = false});
    }
    static void TearDownTestSuite() { delete dir_; }
    static std::string clip() { return (*dir_ / "clip.mp4").string(); }
    static std::string song() { return (*dir_ / "song.mp3").string(); }

    void SetUp() override { probe_ = Info_Create(-1); }
    void TearDown() override { Info_Release(probe_); }

    // Distinct colours in a frame's pixels.
    std::size_t colourCount(const unsigned char* bmp) {
        std::set<std::uint32_t> colours;
        const std::uint32_t length = le32(bmp + 34);
        for (std::uint32_t i = 0; i < length; i += 4)
            colours.insert(le32(bmp + 54 + i));
        return colours.size();
    }

    static TempDir* dir_;
    kestrel_handle probe_ = 0;
};

TempDir* ProbeTest::dir_ = nullptr;

TEST_F(ProbeTest, ReportsTheFactsOfAVideo) {
    ASSERT_NE(probe_, 0u);
    ASSERT_TRUE(Info_Open(probe_, clip().c_str()));
    EXPECT_NEAR(Info_GetDuration(probe_), 2'000'000, 100'000);
    EXPECT_STREQ(Info_GetFormatName(probe_), "mp4");
    EXPECT_EQ(Info_GetVideoWidth(probe_), 320);
    EXPECT_EQ(Info_GetVideoHeight(probe_), 240);
    EXPECT_GT(Info_GetVideoBitRate(probe_), 10'000);
    EXPECT_TRUE(Info_CanSeek(probe_));
}

TEST_F(ProbeTest, AudioHasNoVideoFactsAndNoFrame) {
    ASSERT_TRUE(Info_Open(probe_, song().c_str()));
    EXPECT_STREQ(Info_GetFormatName(probe_), "mp3");
    EXPECT_NEAR(Info_GetDuration(probe_), 1'000'000, 100'000);
    EXPECT_EQ(Info_GetVideoWidth(probe_), 0);
    EXPECT_EQ(Info_GetVideoBitRate(probe_), 0);
    EXPECT_EQ(Info_GetVideoImage(probe_, 0, 1, 0, 0), nullptr);
}

TEST_F(ProbeTest, FrameIsATopDownBmpOfTheVideoSize) {
    ASSERT_TRUE(Info_Open(probe_, clip().c_str()));
    const unsigned char* bmp = Info_GetVideoImage(probe_, 600'000, 1, 0, 0);
    ASSERT_NE(bmp, nullptr);
    EXPECT_EQ(bmp[0], 'B');
    EXPECT_EQ(bmp[1], 'M');
    EXPECT_EQ(le32(bmp + 10), 54u);
    EXPECT_EQ(le32(bmp + 18), 320u);
    EXPECT_EQ(static_cast<std::int32_t>(le32(bmp + 22)), -240);
    EXPECT_EQ(bmp[28], 32);
    EXPECT_EQ(le32(bmp + 34), 320u * 240 * 4);
    EXPECT_EQ(le32(bmp + 2), 54u + 320 * 240 * 4);
    EXPECT_GT(colourCount(bmp), 50u) << "a test pattern is not a single colour";
}

TEST_F(ProbeTest, FramesAtOtherTimesDifferAndStayValidUntilClose) {
    ASSERT_TRUE(Info_Open(probe_, clip().c_str()));
    const unsigned char* early = Info_GetVideoImage(probe_, 100'000, 0, 0, 0);
    const unsigned char* late = Info_GetVideoImage(probe_, 1'500'000, 0, 0, 0);
    const unsigned char* beyond = Info_GetVideoImage(probe_, 60'000'000, 0, 0, 0);
    ASSERT_NE(early, nullptr);
    ASSERT_NE(late, nullptr);
    ASSERT_NE(beyond, nullptr) << "beyond the end gives the last frame";
    const std::size_t length = 54 + le32(early + 34);
    EXPECT_NE(std::memcmp(early, late, length), 0);
    EXPECT_EQ(early[0], 'B') << "the first frame is still readable";
}

TEST_F(ProbeTest, RefusesWhatItCannotRead) {
    const std::string text = (*dir_ / "notes.txt").string();
    testing_support::writeFile(text, "not media at all");
    EXPECT_FALSE(Info_Open(probe_, text.c_str()));
    EXPECT_FALSE(Info_Open(probe_, (*dir_ / "missing.mp4").c_str()));
    EXPECT_FALSE(Info_Open(probe_, nullptr));
    EXPECT_EQ(Info_GetFormatName(probe_), nullptr);
    EXPECT_EQ(Info_GetVideoImage(probe_, 0, 1, 0, 0), nullptr);
    EXPECT_EQ(Info_GetDuration(probe_), 0);
}

TEST_F(ProbeTest, ReleasedAndForeignHandlesAreRefused) {
    const kestrel_handle released = Info_Create(3);
    Info_Release(released);
    EXPECT_FALSE(Info_Open(released, clip().c_str()));
    EXPECT_FALSE(Info_Open(0, clip().c_str()));
    const kestrel_handle settings = Config_Create();
    EXPECT_FALSE(Info_Open(settings, clip().c_str())) << "a handle of another family";
    Config_Release(settings);
    Info_Close(released);  // harmless
    Info_Release(released);
}

}  // namespace
