// clipwright-cli info, thumb and convert, run as a user runs them.
#include "platform/process.h"
#include "testing/media.h"
#include "testing/temp_dir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <regex>

using testing_support::ClipOptions;
using testing_support::makeClip;
using testing_support::probeValue;
using testing_support::readFile;
using testing_support::TempDir;

namespace {

platform::ProcessResult cli(std::vector<std::string> args) {
    args.insert(args.begin(), CLIPWRIGHT_CLI);
    return platform::runProcess(args, true);
}

class CliTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = new TempDir;
        makeClip(clip(), ClipOptions{.seconds = 1.0, .width = 176, .height = 144});
    }
    static void TearDownTestSuite() { delete dir_; }
    static std::string clip() { return (*dir_ / "clip one.flv").string(); }

    static TempDir* dir_;
};

TempDir* CliTest::dir_ = nullptr;

TEST_F(CliTest, InfoPrintsOneLineOfJson) {
    const platform::ProcessResult result = cli({"info", clip()});
    ASSERT_TRUE(result.ok()) << result.output;
    EXPECT_TRUE(std::regex_match(
        result.output, std::regex(R"(\{"durationUs":\d+,"format":"flv","width":176,)"
                                  R"("height":144,"videoBitRate":\d+,"canSeek":true\}\n)")))
        << result.output;
    EXPECT_EQ(cli({"info", (*dir_ / "missing.flv").string()}).exitCode, 1);
    EXPECT_EQ(cli({"info"}).exitCode, 2);
}

TEST_F(CliTest, ThumbWritesTheFrameAsABmpFile) {
    const std::string bmp = (*dir_ / "frame.bmp").string();
    const platform::ProcessResult result = cli({"thumb", clip(), "0.5", bmp});
    ASSERT_TRUE(result.ok()) << result.output;
    const std::string data = readFile(bmp);
    ASSERT_EQ(data.size(), 54u + 176 * 144 * 4);
    EXPECT_EQ(data.substr(0, 2), "BM");
    EXPECT_EQ(probeValue(bmp, "stream=width"), "176");
    EXPECT_EQ(cli({"thumb", clip(), "soon", bmp}).exitCode, 2);
}

TEST_F(CliTest, ConvertNamesTheOutputAndPrintsItsPath) {
    TempDir out;
    const std::string outDir = out.path().string() + "/new folder/";
    const platform::ProcessResult first = cli({"convert", clip(), "VCD", "--out-dir", outDir});
    ASSERT_TRUE(first.ok()) << first.output;
    const std::string expected = out.path().string() + "/new folder/clip one_quillmarsh.mpg";
    EXPECT_NE(first.output.find(expected + "\n"), std::string::npos) << first.output;
    EXPECT_EQ(probeValue(expected, "stream=codec_name", "v:0"), "mpeg1video");

    const platform::ProcessResult second = cli({"convert", clip(), "mp3", "--out-dir", outDir});
    ASSERT_TRUE(second.ok()) << second.output;
    EXPECT_NE(second.output.find("clip one_quillmarsh.mp3\n"), std::string::npos);
    const platform::ProcessResult third = cli({"convert", clip(), "mp3", "--out-dir", outDir});
    EXPECT_NE(third.output.find("clip one_quillmarsh1.mp3\n"), std::string::npos)
        << "an existing output is never overwritten";

    EXPECT_EQ(cli({"convert", clip(), "gif"}).exitCode, 2) << "not a format of the table";
    EXPECT_EQ(
        cli({"convert", (*dir_ / "missing.flv").string(), "mp4", "--out-dir", outDir}).exitCode, 1);
}

}  // namespace
