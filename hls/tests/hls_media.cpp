#include "hls/tests/hls_media.h"

#include "testing/temp_dir.h"

#include <gtest/gtest.h>

#include <mutex>

namespace hls_test {

const Samples& samples() {
    static testing_support::TempDir folder;
    static Samples made;
    static std::once_flag once;
    std::call_once(once, [] {
        using testing_support::HlsOptions;
        made.root = folder.path();
        const HlsOptions plain{.seconds = made.seconds};
        testing_support::makeHlsMedia(made.root / "ts", plain);
        testing_support::makeHlsMedia(made.root / "fmp4",
                                      {.seconds = made.seconds, .fragmentedMp4 = true});
        testing_support::makeHlsMedia(made.root / "aes",
                                      {.seconds = made.seconds, .keyUri = "key.bin"});
        testing_support::makeHlsMedia(made.root / "single",
                                      {.seconds = made.seconds, .singleFile = true});
        testing_support::makeHlsMaster(made.root / "master", plain);
    });
    return made;
}

void expectPlayable(const std::filesystem::path& file, double seconds, int width, int height) {
    using testing_support::probeValue;
    ASSERT_TRUE(std::filesystem::exists(file)) << file;
    const std::string duration = probeValue(file, "format=duration");
    ASSERT_FALSE(duration.empty()) << file << " is not media";
    EXPECT_NEAR(std::stod(duration), seconds, 0.5) << file;
    EXPECT_EQ(probeValue(file, "format=format_name"), "mov,mp4,m4a,3gp,3g2,mj2");
    EXPECT_EQ(probeValue(file, "stream=codec_name", "v:0"), "h264") << file;
    EXPECT_EQ(probeValue(file, "stream=codec_name", "a:0"), "aac") << file;
    if (width > 0) {
        EXPECT_EQ(probeValue(file, "stream=width", "v:0"), std::to_string(width));
        EXPECT_EQ(probeValue(file, "stream=height", "v:0"), std::to_string(height));
    }
    EXPECT_EQ(testing_support::decodeErrors(file), "") << file;
}

}  // namespace hls_test
