// clipwright-cli get as a user runs it: a page analysed, its parts
// downloaded and combined, the output path alone on standard output.
#include "download/tests/download_fixture.h"
#include "hls/tests/hls_media.h"
#include "hls/tests/hls_server.h"
#include "platform/process.h"
#include "testing/fault_server.h"
#include "testing/media.h"

#include <chrono>
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

TEST_F(GetCommand, SeveralUrlsRunAtMostMaxTasksAtOnceAndPrintTheirFilesInOrder) {
    std::vector<std::string> bodies;
    std::string script;
    for (int i = 0; i < 3; ++i) {
        bodies.push_back(testing_support::patternBytes(300000 + std::size_t(i) * 1000));
        const std::string stream = "/s" + std::to_string(i) + ".bin";
        server.serveSlowly(stream, bodies.back(), 100000);
    }
    server.start();
    for (int i = 0; i < 3; ++i)
        script += streamBlock("/watch-" + std::to_string(i), "Clip " + std::to_string(i),
                              {server.url("/s" + std::to_string(i) + ".bin")});
    writeScript(homePath(), script);
    const auto out = homePath() / "out";
    const std::string missing = server.url("/no-such-page");
    const platform::ProcessResult some = platform::runProcessForStdout(
        {CLIPWRIGHT_CLI, "get", server.url("/watch-0"), missing, server.url("/watch-1"),
         server.url("/watch-2"), "--max-tasks", "2", "--out-dir", out.string()});
    EXPECT_EQ(some.exitCode, 1);  // one URL failed
    // The failed URL prints nothing; the others in the order given.
    EXPECT_EQ(some.output, (out / "Clip 0.mp4").string() + "\n" + (out / "Clip 1.mp4").string() +
                               "\n" + (out / "Clip 2.mp4").string() + "\n");
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(contentOf(out / ("Clip " + std::to_string(i) + ".mp4")) ==
                    bodies[std::size_t(i)])
            << i;
    EXPECT_EQ(server.peakPathsInTransfer(), 2);

    const platform::ProcessResult failed =
        platform::runProcess({CLIPWRIGHT_CLI, "get", missing, "--out-dir", out.string()}, true);
    EXPECT_EQ(failed.exitCode, 1);
    EXPECT_NE(failed.output.find("get: "), std::string::npos) << failed.output;

    // Both files, one after the other, under one 200 KiB/s budget.
    const auto again = homePath() / "again";
    const auto began = std::chrono::steady_clock::now();
    const platform::ProcessResult all = platform::runProcessForStdout(
        {CLIPWRIGHT_CLI, "get", server.url("/watch-2"), server.url("/watch-0"), "--max-tasks", "1",
         "--limit-rate", "200K", "--out-dir", again.string()});
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    EXPECT_EQ(all.exitCode, 0);
    EXPECT_EQ(all.output,
              (again / "Clip 2.mp4").string() + "\n" + (again / "Clip 0.mp4").string() + "\n");
    const double bytes = double(bodies[0].size() + bodies[2].size());
    EXPECT_GE(seconds, 0.9 * (bytes - 0.25 * 204800) / 204800);
    for (const char* bad : {"0", "21", "many"}) {
        EXPECT_EQ(
            platform::runProcess({CLIPWRIGHT_CLI, "get", "u", "--max-tasks", bad}, true).exitCode,
            2)
            << bad;
    }
}

}  // namespace
