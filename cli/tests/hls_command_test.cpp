// clipwright-cli hls as a user runs it: the output path alone on standard
// output, progress and reasons on standard error, the exit status, and a
// run killed mid-way that the next run resumes.
#include "hls/tests/hls_media.h"
#include "hls/tests/hls_server.h"
#include "platform/process.h"
#include "testing/temp_dir.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using hls_test::kSampleSeconds;
using hls_test::sample;

platform::ProcessResult runHls(std::vector<std::string> args, bool stdoutOnly = false) {
    args.insert(args.begin(), {CLIPWRIGHT_CLI, "hls"});
    return stdoutOnly ? platform::runProcessForStdout(args) : platform::runProcess(args, true);
}

// Starts the command without waiting for it, its output discarded.
pid_t startHls(const std::vector<std::string>& args) {
    std::vector<std::string> argv = {CLIPWRIGHT_CLI, "hls"};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> pointers;
    for (std::string& arg : argv)
        pointers.push_back(arg.data());
    pointers.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    posix_spawn(&pid, pointers[0], &actions, nullptr, pointers.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

class HlsCommand : public ::testing::Test {
protected:
    hls_test::HlsServer server{hls_test::samplesRoot()};
    testing_support::TempDir out;
    fs::path target = out / "clip.mp4";
};

TEST_F(HlsCommand, PrintsTheOutputPathAloneAndTakesTheVariantAskedFor) {
    sample("master");
    const std::string master = server.url("/master/master.m3u8");
    const platform::ProcessResult best = runHls({master, target.string()}, true);
    ASSERT_EQ(best.exitCode, 0);
    EXPECT_EQ(best.output, target.string() + "\n");
    hls_test::expectPlayable(target, kSampleSeconds, 320, 240);
    EXPECT_FALSE(fs::exists(out / "clip.mp4.hls"));

    // Progress lines go to standard error, the path comes last.
    const platform::ProcessResult small = runHls({master, target.string(), "--variant", "1"});
    ASSERT_EQ(small.exitCode, 0) << small.output;
    EXPECT_NE(small.output.find(" segments, "), std::string::npos) << small.output;
    EXPECT_TRUE(small.output.ends_with("\n" + target.string() + "\n")) << small.output;
    hls_test::expectPlayable(target, kSampleSeconds, 160, 120);
}

TEST_F(HlsCommand, ExitStatusAndReasons) {
    sample("aes");
    server.failAlways("/aes/key.bin", 404);
    platform::ProcessResult run = runHls({server.url("/aes/index.m3u8"), target.string()});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.output.ends_with("hls: key " + server.url("/aes/key.bin") +
                                     ": the key could not be fetched: HTTP 404 Not Found\n"))
        << run.output;
    EXPECT_FALSE(fs::exists(target));

    run = runHls({server.url("/none.m3u8"), target.string()}, true);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.output, "");  // nothing on standard output without a result

    server.clearLog();
    EXPECT_EQ(runHls({}).exitCode, 2);
    EXPECT_EQ(runHls({"u"}).exitCode, 2);
    EXPECT_EQ(runHls({"u", "t", "--variant", "x"}).exitCode, 2);
    EXPECT_EQ(runHls({"u", "t", "--variant", "-1"}).exitCode, 2);
    EXPECT_EQ(runHls({"u", "t", "--colour", "red"}).exitCode, 2);
    EXPECT_EQ(server.log().size(), 0u);  // a usage error asks nothing
}

TEST_F(HlsCommand, ARunKilledMidwayIsResumedByTheNext) {
    sample("ts");
    const std::string url = server.url("/ts/index.m3u8");
    const fs::path segments = out / "clip.mp4.hls/video";
    server.hold({"/ts/seg002.ts", "/ts/seg003.ts"});
    const pid_t pid = startHls({url, target.string()});
    ASSERT_GT(pid, 0);
    const auto deadline = std::chrono::steady_clock::now() + 30s;
    while (!(fs::exists(segments / "000000.seg") && fs::exists(segments / "000001.seg")) &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(10ms);
    ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(fs::exists(segments / "000001.seg"));
    EXPECT_FALSE(fs::exists(segments / "000002.seg"));
    server.release();

    server.clearLog();
    const platform::ProcessResult again = runHls({url, target.string()}, true);
    ASSERT_EQ(again.exitCode, 0);
    EXPECT_EQ(again.output, target.string() + "\n");
    hls_test::expectPlayable(target, kSampleSeconds);
    EXPECT_EQ(server.requestsOf("/ts/seg000.ts"), 0);
    EXPECT_EQ(server.requestsOf("/ts/seg001.ts"), 0);
    EXPECT_EQ(server.requestsOf("/ts/seg002.ts"), 1);
    EXPECT_EQ(server.requestsOf("/ts/seg003.ts"), 1);
}

}  // namespace
