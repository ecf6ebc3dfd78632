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

std::vector<std::string> namesIn(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    return names;
}

// A download cut off at a quarter: the container still declares 8 s.
TEST_F(CliTest, ConvertOfATruncatedSourceFailsWithBothDurations) {
    const std::filesystem::path whole = *dir_ / "whole.mkv", cut = *dir_ / "cut.mkv";
    makeClip(whole, ClipOptions{.seconds = 8.0, .width = 176, .height = 144});
    const std::string bytes = readFile(whole);
    testing_support::writeFile(cut, bytes.substr(0, bytes.size() / 4));
    TempDir out;
    const platform::ProcessResult result =
        cli({"convert", cut.string(), "mp4", "--out-dir", out.path().string()});
    EXPECT_EQ(result.exitCode, 1) << result.output;
    EXPECT_TRUE(std::regex_search(
        result.output,
        std::regex(
            R"(the source ends at [0-2]\.\d\d s, before its declared duration of 8\.\d\d s)")))
        << result.output;
    EXPECT_EQ(result.output.find("100.0%"), std::string::npos) << result.output;
    EXPECT_TRUE(namesIn(out.path()).empty()) << "nothing is left under the final name";
}

// The tool runs with a file-size limit, so that its writes fail as on a
// full disk; the limit's signal is ignored, as the write error is wanted.
TEST_F(CliTest, ConvertIntoAFullDiskFailsWithTheSystemsReason) {
    TempDir out;
    const platform::ProcessResult result = platform::runProcess(
        {"sh", "-c", "trap '' XFSZ; ulimit -f 16; exec \"$0\" \"$@\"", CLIPWRIGHT_CLI, "convert",
         clip(), "mkv", "--out-dir", out.path().string()},
        true);
    EXPECT_EQ(result.exitCode, 1) << result.output;
    EXPECT_NE(result.output.find("failed: cannot write " + out.path().string() +
                                 "/clip one_quillmarsh.mkv: File too large"),
              std::string::npos)
        << result.output;
    EXPECT_TRUE(namesIn(out.path()).empty());
}

}  // namespace
