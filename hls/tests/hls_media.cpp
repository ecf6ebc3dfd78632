#include "hls/tests/hls_media.h"

#include "testing/temp_dir.h"

#include <gtest/gtest.h>

#include <mutex>

namespace hls_test {

std::filesystem::path samplesRoot() {
    static testing_support::TempDir root;
    return root.path();
}

std::filesystem::path sample(const std::string& kind) {
    static std::mutex mutex;
    std::lock_guard lock(mutex);
    const std::filesystem::path folder = samplesRoot() / kind;
    if (std::filesystem::exists(folder))
        return folder;
    testing_support::HlsOptions options{.seconds = kSampleSeconds,
                                        .segmentSeconds = kSampleSeconds / kSampleSegments};
    options.fragmentedMp4 = kind == "fmp4";
    options.singleFile = kind == "single";
    options.keyUri = kind == "aes" ? "key.bin" : "";
    if (kind == "master")
        testing_support::makeHlsMaster(folder, options);
    else
        testing_support::makeHlsMedia(folder, options);
    return folder;
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
