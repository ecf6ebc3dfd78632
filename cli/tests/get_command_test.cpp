// clipwright-cli get as a user runs it: a page analysed, its parts
// downloaded and combined, the output path alone on standard output.
#include "download/tests/download_fixture.h"
#include "platform/process.h"
#include "testing/media.h"

#include <filesystem>

using namespace download_test;
using testing_support::makeClip;
using testing_support::probeValue;

namespace {

class GetCommand : public HomeTest {
protected:
    MediaServer server;
};

TEST_F(GetCommand, GetCommandDownloadsAndCombinesAStreamInParts) {
    const testing_support::ClipOptions clip = smallClip();
    makeClip(homePath() / "src1.flv", clip);
    makeClip(homePath() / "src2.flv", clip);
    server.serveFile("/part1.flv", homePath() / "src1.flv");
    server.serveFile("/part2.flv", homePath() / "src2.flv");
    server.start();
    writeScript(homePath(), streamBlock("/watch", "Two: parts",
                                        {server.url("/part1.flv"), server.url("/part2.flv")}));
    const auto out = homePath() / "out";
    const platform::ProcessResult result = platform::runProcessForStdout(
        {CLIPWRIGHT_CLI, "get", server.url("/watch"), "--out-dir", out.string()});
    ASSERT_TRUE(result.ok()) << result.output;
    const auto expected = out / "Two_ parts.flv";  // the engine cleans the name
    // The libraries' diagnostics stay off standard output: it holds the path alone.
    EXPECT_EQ(result.output, expected.string() + "\n");
    EXPECT_NEAR(std::stod(probeValue(expected, "format=duration")), 2.0, 0.2);
    EXPECT_FALSE(std::filesystem::exists(out / "Two_ parts(1).flv"));

    const platform::ProcessResult usage =
        platform::runProcess({CLIPWRIGHT_CLI, "get", "u", "--user", "x"}, true);
    EXPECT_EQ(usage.exitCode, 2);
}

}  // namespace
