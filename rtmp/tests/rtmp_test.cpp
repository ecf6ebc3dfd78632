#include "rtmp/rtmp_download.h"

#include "platform/process.h"
#include "testing/media.h"
#include "testing/nginx_fixture.h"
#include "testing/temp_dir.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
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
    EXPECT_EQ(run({nginx->rtmpUrl("vod"), "clip.flv"}), 2);
}

// A server that accepts connections and never answers.
class SilentServer {
public:
    SilentServer() {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        ::bind(fd_, reinterpret_cast<sockaddr*>(&address), size);
        ::listen(fd_, 4);
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &size);
        port_ = ntohs(address.sin_port);
    }
    ~SilentServer() { ::close(fd_); }
    std::string url() const { return "rtmp://127.0.0.1:" + std::to_string(port_) + "/vod"; }

private:
    int fd_ = -1;
    int port_ = 0;
};

TEST_F(RtmpTest, CloseEndsAStalledDownloadAtOnce) {
    SilentServer silent;
    // A live stream nobody publishes stalls after the handshake; a silent
    // server stalls in it. Either would hold the reader for its 30-second
    // timeout without RtmpClose.
    for (const std::string& url : {nginx->rtmpUrl("live"), silent.url()}) {
        SCOPED_TRACE(url);
        auto running = std::async(std::launch::async, [&] { return download(url, "nobody"); });
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        EXPECT_GE(RtmpClose(), 0);
        ASSERT_EQ(running.wait_for(std::chrono::seconds(10)), std::future_status::ready);
        EXPECT_EQ(running.get(), kRtmpClosed);
        EXPECT_FALSE(fs::exists(target));
    }
    EXPECT_EQ(RtmpClose(), 0);  // nothing left running
}

}  // namespace
