// The fetch command as a user runs it: exit status, target, part files and
// the one line that says why.
#include "platform/process.h"
#include "testing/fault_server.h"
#include "testing/silent_server.h"
#include "testing/temp_dir.h"

#include <sys/mount.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

namespace {

namespace fs = std::filesystem;
using testing_support::readFile;

platform::ProcessResult fetch(const std::vector<std::string>& args) {
    std::vector<std::string> argv = {CLIPWRIGHT_CLI, "fetch"};
    argv.insert(argv.end(), args.begin(), args.end());
    return platform::runProcess(argv, true);
}

std::size_t occurrences(const std::string& text, const std::string& what) {
    std::size_t count = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++count;
    return count;
}

class FetchCommand : public ::testing::Test {
protected:
    // Short reconnect pauses and first-byte limit in the child.
    testing_support::ScopedEnv limits{"CLIPWRIGHT_TEST_TIME_LIMITS", "firstbyte=800,pause=20"};
    testing_support::FaultServer server{100000};
    testing_support::TempDir dir;
    std::string target = (dir / "clip.flv").string();
};

TEST_F(FetchCommand, DownloadsThroughCutConnectionsAndRefusesBadArguments) {
    server.cutAfter = 10000;
    const auto cut = fetch({server.url("/cut"), target, "--connections", "3"});
    EXPECT_EQ(cut.exitCode, 0) << cut.output;
    EXPECT_NE(cut.output.find("bytes"), std::string::npos);  // progress lines
    EXPECT_EQ(readFile(target), server.body());
    EXPECT_FALSE(fs::exists(target + "_2"));

    EXPECT_EQ(fetch({server.url("/file"), target, "--connections", "0"}).exitCode, 2);
    EXPECT_EQ(fetch({server.url("/file")}).exitCode, 2);
}

// Success comes from the engine's result: an older target proves nothing
// and stays as it was; the reason is printed once.
TEST_F(FetchCommand, ErrorStatusWithAnOlderTargetFailsWithTheStatus) {
    testing_support::writeFile(target, "older");
    for (const auto& [path, reason] : std::vector<std::pair<std::string, std::string>>{
             {"/missing", "HTTP 404 Not Found"}, {"/error", "HTTP 500 Internal Server Error"}}) {
        const auto failed = fetch({server.url(path), target});
        EXPECT_EQ(failed.exitCode, 1);
        EXPECT_EQ(occurrences(failed.output, "fetch: " + reason + "\n"), 1u) << failed.output;
        EXPECT_EQ(failed.output.find("part files"), std::string::npos);
        EXPECT_EQ(readFile(target), "older");
    }
}

TEST_F(FetchCommand, AFolderAsTargetIsRefusedBeforeAnyRequest) {
    fs::create_directory(target);
    const auto refused = fetch({server.url("/file"), target});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.output.find("fetch: cannot write " + target + ": Is a directory"),
              std::string::npos)
        << refused.output;
    EXPECT_TRUE(server.rangesAsked("/file").empty());
    EXPECT_FALSE(fs::exists(target + "_0"));
}

TEST_F(FetchCommand, SilentServerEndsWithinTheFirstByteLimit) {
    testing_support::SilentServer silent;
    const auto start = std::chrono::steady_clock::now();
    const auto timedOut = fetch({silent.url("http", "/clip.flv"), target});
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    EXPECT_EQ(timedOut.exitCode, 1);
    EXPECT_NE(timedOut.output.find("within 0.8 s (first-byte limit)"), std::string::npos)
        << timedOut.output;
}

TEST_F(FetchCommand, KeptPartsAreMentionedOnlyWhenThereAreSome) {
    const auto shifted = fetch({server.url("/shifted"), target});
    EXPECT_EQ(shifted.exitCode, 1);
    EXPECT_EQ(occurrences(shifted.output, "; its part files are kept\n"), 1u) << shifted.output;
    EXPECT_GT(fs::file_size(target + "_0"), 0u);

    const auto gzip = fetch({server.url("/gzip"), (dir / "other.flv").string()});
    EXPECT_EQ(gzip.exitCode, 1);
    EXPECT_NE(
        gzip.output.find("fetch: the server sent gzip-encoded content, which was not asked for\n"),
        std::string::npos)
        << gzip.output;
}

TEST_F(FetchCommand, FullDiskNamesTheDisk) {
    testing_support::TempDir small;
    if (::mount("tmpfs", small.path().c_str(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "mounting a tmpfs is not permitted here";
    const auto full = fetch({server.url("/file"), (small / "clip.flv").string()});
    ::umount2(small.path().c_str(), MNT_DETACH);
    EXPECT_EQ(full.exitCode, 1);
    EXPECT_NE(full.output.find("No space left on device"), std::string::npos) << full.output;
}

}  // namespace

namespace {

// --limit-rate holds the whole download (every connection together) to the
// rate; a value that is not a rate is refused before any request.
TEST_F(FetchCommand, LimitRateHoldsTheDownloadToTheRate) {
    testing_support::FaultServer big((3 << 19) + 777);  // 1.5 MiB and a bit
    const auto start = std::chrono::steady_clock::now();
    const auto limited = fetch({big.url("/file"), target, "--limit-rate", "512K"});
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    ASSERT_EQ(limited.exitCode, 0) << limited.output;
    EXPECT_EQ(readFile(target), big.body());
    // What a quarter second's burst leaves to the rate of 512 KiB/s.
    const double least = static_cast<double>(big.body().size() - (128 << 10)) / (512 << 10);
    EXPECT_GE(seconds, least * 0.9);

    for (const char* bad : {"12X", "-1", "1.5M", ""}) {
        const auto refused = fetch({big.url("/file"), target + ".bad", "--limit-rate", bad});
        EXPECT_EQ(refused.exitCode, 2) << bad;
        EXPECT_NE(refused.output.find("--limit-rate"), std::string::npos) << refused.output;
    }
    EXPECT_EQ(big.rangesAsked("/file").size(), 6u);  // the probe and five ranges, all of the first
    EXPECT_FALSE(fs::exists(target + ".bad_0"));
}

}  // namespace
