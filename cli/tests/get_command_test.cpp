// clipwright-cli get as a user runs it: a page analysed, its parts
// downloaded and combined, the output path alone on standard output.
#include "download/tests/download_fixture.h"
#include "hls/tests/hls_media.h"
#include "hls/tests/hls_server.h"
#include "platform/process.h"
#include "testing/fault_server.h"
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

// The stream's address expires at 40 %: get analyses the page again and
// finishes under the new address without fetching anything twice.
TEST_F(GetCommand, AnExpiredStreamAddressIsRefreshedAndTheDownloadContinues) {
    const std::string body = testing_support::patternBytes(1000000);
    ExpiringStream site(body);
    site.setBudget(0, 400000);
    site.start();
    writeScript(homePath(), site.scriptBlock("Expiring"));
    const auto out = homePath() / "out";
    const platform::ProcessResult result = platform::runProcessForStdout(
        {CLIPWRIGHT_CLI, "get", site.pageUrl(), "--out-dir", out.string()});
    ASSERT_TRUE(result.ok()) << result.output;
    const auto expected = out / "Expiring.flv";
    EXPECT_EQ(result.output, expected.string() + "\n");
    EXPECT_EQ(contentOf(expected), body);
    EXPECT_EQ(site.bytesSentTwice(), 0);
    EXPECT_EQ(site.pageRequests(), 2);
}

TEST_F(GetCommand, AnHlsPageEndsAsOneMp4OfItsBestVariant) {
    hls_test::sample("master");
    hls_test::HlsServer hls(hls_test::samplesRoot());
    writeScript(homePath(), streamBlock("/watch", "Live Set", {hls.url("/master/master.m3u8")}));
    const auto out = homePath() / "out";
    const platform::ProcessResult result = platform::runProcessForStdout(
        {CLIPWRIGHT_CLI, "get", "http://127.0.0.1:1/watch", "--out-dir", out.string()});
    ASSERT_TRUE(result.ok()) << result.output;
    const auto expected = out / "Live Set.mp4";
    EXPECT_EQ(result.output, expected.string() + "\n");
    hls_test::expectPlayable(expected, hls_test::kSampleSeconds, 320, 240);
    EXPECT_EQ(hls.requestsOf("/master/v1.m3u8"), 0);
}

}  // namespace
