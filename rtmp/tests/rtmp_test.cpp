#include "rtmp/rtmp_download.h"

#include "platform/process.h"
#include "testing/media.h"
#include "testing/nginx_fixture.h"
#include "testing/silent_server.h"
#include "testing/temp_dir.h"

#include <signal.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <future>

using testing_support::NginxOptions;
using testing_support::NginxServer;
using testing_support::TempDir;

namespace {

namespace fs = std::filesystem;

constexpr double kClipSeconds = 3.0;
// A value of RtmpRequest::result that the library never returns.
constexpr std::int32_t kNotStarted = 12345;

int videoFrames(const fs::path& file) {
    const auto result = platform::runProcess(
        {"ffprobe", "-v", "error", "-select_streams", "v:0", "-count_packets", "-show_entries",
         "stream=nb_read_packets", "-of", "csv=p=0", file.string()},
        true);
    return result.ok() ? std::atoi(result.output.c_str()) : -1;
}

// One nginx with stored FLV and MP4 clips for every test of the suite.
class RtmpTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        media = new TempDir;
        testing_support::makeClip(
            *media / "clip.flv",
            {.seconds = kClipSeconds,
             .codecArgs = {"-c:v", "flv", "-c:a", "libmp3lame", "-ar", "44100"}});
        testing_support::makeClip(*media / "clip.mp4",
                                  {.seconds = kClipSeconds,
                                   .codecArgs = {"-c:v", "libx264", "-preset", "ultrafast", "-c:a",
                                                 "aac", "-movflags", "+faststart"}});
        nginx = new NginxServer(NginxOptions{.rtmpRoot = media->path(), .rtmpLive = true});
    }
    static void TearDownTestSuite() {
        delete nginx;
        delete media;
    }

    int download(const std::string& url, const std::string& playPath) {
        RtmpRequest request{url.c_str(), playPath.c_str(), 0, 0};
        const int result = RtmpDownload(&request, target.c_str(), &progress);
        EXPECT_EQ(request.result, result);
        return result;
    }

    static TempDir* media;
    static NginxServer* nginx;
    TempDir dir;
    fs::path target = dir / "out.flv";
    RtmpProgress progress{-1, -1.0};
};

TempDir* RtmpTest::media = nullptr;
NginxServer* RtmpTest::nginx = nullptr;

TEST_F(RtmpTest, SavesStoredFlvAndMp4StreamsAsCompleteFlv) {
    for (const char* playPath : {"clip.flv", "mp4:clip.mp4"}) {
        SCOPED_TRACE(playPath);
        ASSERT_EQ(download(nginx->rtmpUrl("vod"), playPath), kRtmpOk);
        EXPECT_EQ(testing_support::probeValue(target, "format=format_name"), "flv");
        const double seconds = std::stod(testing_support::probeValue(target, "format=duration"));
        EXPECT_NEAR(seconds, kClipSeconds, 0.5);
        // The whole stream, not just its metadata (which states the full
        // duration even for a cut file): every video frame arrived.
        EXPECT_EQ(videoFrames(target), videoFrames(media->path() / "clip.flv"));
        EXPECT_EQ(progress.bytes, static_cast<std::int64_t>(fs::file_size(target)));
        EXPECT_DOUBLE_EQ(progress.percent, 100.0);
    }
    struct sigaction pipe {};
    sigaction(SIGPIPE, nullptr, &pipe);
    EXPECT_EQ(pipe.sa_handler, SIG_IGN);  // a broken connection cannot end the process
}

TEST_F(RtmpTest, MissingStreamFailsAndLeavesNoFile) {
    EXPECT_NE(download(nginx->rtmpUrl("vod"), "absent.flv"), kRtmpOk);
    EXPECT_FALSE(fs::exists(target));
    EXPECT_EQ(download("rtmp://127.0.0.1:1/vod", "clip.flv"), kRtmpConnectFailed);
    RtmpRequest noPath{"rtmp://127.0.0.1/vod", nullptr, 0, 0};
    EXPECT_EQ(RtmpDownload(&noPath, target.c_str(), nullptr), kRtmpBadArguments);
}

TEST_F(RtmpTest, CommandSavesAStreamAndReportsFailureInItsStatus) {
    const auto run = [](std::vector<std::string> args) {
        args.insert(args.begin(), {CLIPWRIGHT_CLI, "rtmp"});
        return platform::runProcess(args, true).exitCode;
    };
    EXPECT_EQ(run({nginx->rtmpUrl("vod"), "clip.flv", target.string()}), 0);
    EXPECT_EQ(videoFrames(target), videoFrames(media->path() / "clip.flv"));
    EXPECT_EQ(run({nginx->rtmpUrl("vod"), "absent.flv", (dir / "absent.flv").string()}), 1);
    const auto refused = platform::runProcess(
        {CLIPWRIGHT_CLI, "rtmp", nginx->rtmpUrl("vod"), "clip.flv", dir.path().string()}, true);
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.output.find("rtmp: cannot write " + dir.path().string() +
                                  ": Is a directory (-5)\n"),
              std::string::npos)
        << refused.output;
    EXPECT_EQ(run({nginx->rtmpUrl("vod"), "clip.flv"}), 2);
}

TEST_F(RtmpTest, CloseEndsAStalledDownloadAtOnce) {
    testing_support::SilentServer silent;
    // A live stream nobody publishes stalls after the handshake; a silent
    // server stalls in it. Either would hold the reader for its 30-second
    // timeout without RtmpClose.
    for (const std::string& url : {nginx->rtmpUrl("live"), silent.url("rtmp", "/vod")}) {
        SCOPED_TRACE(url);
        RtmpRequest request{url.c_str(), "nobody", 0, kNotStarted};
        auto running = std::async(std::launch::async,
                                  [&] { return RtmpDownload(&request, target.c_str(), nullptr); });
        // The library writes 0 to `result` once RtmpClose can reach it.
        for (int i = 0; i < 10000 && __atomic_load_n(&request.result, __ATOMIC_RELAXED) != 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        ASSERT_EQ(__atomic_load_n(&request.result, __ATOMIC_RELAXED), 0);
        EXPECT_EQ(RtmpClose(), 1);  // exactly the one running download
        ASSERT_EQ(running.wait_for(std::chrono::seconds(10)), std::future_status::ready);
        EXPECT_EQ(running.get(), kRtmpClosed);
        EXPECT_FALSE(fs::exists(target));
        EXPECT_FALSE(fs::exists(target.string() + ".partial"));
    }
    EXPECT_EQ(RtmpClose(), 0);  // nothing left running
}

TEST_F(RtmpTest, FailuresKeepAnOlderTargetAndSayWhy) {
    testing_support::writeFile(target, "older");
    EXPECT_EQ(download(nginx->rtmpUrl("vod"), "absent.flv"), kRtmpStreamFailed);
    EXPECT_EQ(testing_support::readFile(target), "older");
    EXPECT_FALSE(fs::exists(target.string() + ".partial"));
    EXPECT_STREQ(RtmpLastReason(), "the server would not play the stream");

    // A folder that does not exist is refused before connecting.
    const fs::path nowhere = dir / "missing" / "out.flv";
    RtmpRequest request{"rtmp://127.0.0.1:1/vod", "clip.flv", 0, 0};
    EXPECT_EQ(RtmpDownload(&request, nowhere.c_str(), nullptr), kRtmpTargetFailed);
    EXPECT_EQ(std::string(RtmpLastReason()),
              "the folder " + (dir / "missing").string() + " does not exist");
    EXPECT_EQ(RtmpDownload(&request, dir.path().c_str(), nullptr), kRtmpTargetFailed);
    EXPECT_NE(std::string(RtmpLastReason()).find("Is a directory"), std::string::npos);

    ASSERT_EQ(download(nginx->rtmpUrl("vod"), "clip.flv"), kRtmpOk);
    EXPECT_STREQ(RtmpLastReason(), "");
    EXPECT_NE(testing_support::readFile(target), "older");
}

}  // namespace
