#include "segfetch/segment_downloader.h"

#include "platform/http.h"
#include "platform/process.h"
#include "platform/rate.h"
#include "platform/text.h"
#include "platform/transfer_limits.h"
#include "segfetch/part_stamps.h"
#include "testing/fault_server.h"
#include "testing/nginx_fixture.h"
#include "testing/silent_server.h"
#include "testing/temp_dir.h"

#include <fcntl.h>
#include <linux/fiemap.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <thread>

using testing_support::FaultServer;
using testing_support::readFile;
using testing_support::TempDir;
using testing_support::writeFile;

namespace {

namespace fs = std::filesystem;

std::u16string wide(const fs::path& path) {
    return platform::utf8ToUtf16(path.string());
}

fs::path partOf(const fs::path& target, int index) {
    return target.string() + "_" + std::to_string(index);
}

std::vector<std::string> sorted(std::vector<std::string> values) {
    std::sort(values.begin(), values.end());
    return values;
}

// Short reconnect pauses and limits for the tests of this file, restored
// afterwards.
class ShortLimits {
public:
    ShortLimits() : saved_(platform::transferLimits()) {
        platform::TransferLimits limits = saved_;
        limits.firstReconnectPause = std::chrono::milliseconds(20);
        limits.firstByte = std::chrono::milliseconds(500);
        platform::setTransferLimitsForTesting(limits);
    }
    ~ShortLimits() { platform::setTransferLimitsForTesting(saved_); }

private:
    platform::TransferLimits saved_;
};

class SegmentDownloaderTest : public ::testing::Test {
protected:
    // One engine per call, as a new run of the program would have.
    bool download(const std::string& path, int connections = 5) {
        CSegmentDownloader engine;
        std::atomic<const std::atomic<std::int64_t>*> counter{nullptr};
        std::atomic<std::int64_t> length{1};
        result =
            engine.downloadTask(server.url(path), wide(target), &counter, &length, connections);
        EXPECT_EQ(counter.load(), &engine.received());
        lastLength = length;
        lastReceived = engine.received();
        return result.ok();
    }
    // A run killed midway: every connection has received trickleBytes when
    // the engine is stopped (the gate must still be closed).
    void stopMidway(int connections = 5) {
        CSegmentDownloader engine;
        auto running = std::async(std::launch::async, [&] {
            return engine.downloadTask(server.url("/trickle"), wide(target), nullptr, nullptr,
                                       connections);
        });
        const auto expected = static_cast<std::int64_t>(server.trickleBytes) * connections;
        for (int i = 0; i < 10000 && engine.received() < expected; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        ASSERT_EQ(engine.received(), expected);
        engine.requestStop();
        EXPECT_EQ(running.get().outcome, FetchOutcome::Stopped);
    }
    // Writes parts as an earlier run would have left them, stamped for the
    // plan of `length` bytes over five connections and `validators`.
    void leaveParts(const std::vector<std::pair<int, std::string>>& parts, std::int64_t length,
                    const platform::http::Validators& validators) {
        const auto segments = CSegmentDownloader::planSegments("u", wide(target), length, 5);
        std::vector<std::string> paths;
        std::vector<PartStamp> stamps;
        for (const auto& [index, content] : parts) {
            writeFile(partOf(target, index), content);
            const SegmentInfo& segment = segments[static_cast<std::size_t>(index)];
            paths.push_back(partOf(target, index).string());
            stamps.push_back({length, segment.start, segment.end, validators});
        }
        ASSERT_TRUE(PartStamps(target.string()).saveAll(paths, stamps, nullptr));
    }
    platform::http::Validators serverValidators() const {
        return {server.etag(), server.lastModified()};
    }
    bool anyPartLeft() const {
        for (int i = 0; i < 5; ++i) {
            if (fs::exists(partOf(target, i)))
                return true;
        }
        return false;
    }

    ShortLimits limits;
    FaultServer server{1003};
    TempDir dir;
    fs::path target = dir / "a.flv";
    FetchResult result;
    std::int64_t lastLength = -1;
    std::int64_t lastReceived = -1;
};

TEST(SegmentPlan, CutsEqualRangesAndGivesTheRemainderToTheLast) {
    const auto segments = CSegmentDownloader::planSegments("u", u"/v/a.flv", 1003, 5);
    ASSERT_EQ(segments.size(), 5u);
    const std::int64_t expected[][2] = {{0, 200}, {200, 400}, {400, 600}, {600, 800}, {800, 1003}};
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(segments[i].start, expected[i][0]);
        EXPECT_EQ(segments[i].end, expected[i][1]);
        EXPECT_EQ(segments[i].partPath, u"/v/a.flv_" + platform::utf8ToUtf16(std::to_string(i)));
    }
}

TEST(SegmentPlan, BoundariesFallOnWholeSixtyFourKibibytes) {
    const std::int64_t length = (1 << 20) + 3;
    const auto segments = CSegmentDownloader::planSegments("u", u"t", length, 5);
    ASSERT_EQ(segments.size(), 5u);
    for (std::size_t i = 0; i < 5; ++i)
        EXPECT_EQ(segments[i].start, static_cast<std::int64_t>(i) * 3 * 65536);
    EXPECT_EQ(segments[3].end, 4 * 3 * 65536);
    EXPECT_EQ(segments[4].end, length);  // the remainder goes to the last
}

TEST(SegmentPlan, HandlesSizesBeyondFourGibibytesAndClampsConnections) {
    const std::int64_t threeGiB = 3LL << 30;
    const auto big = CSegmentDownloader::planSegments("u", u"t", threeGiB + 7, 5);
    ASSERT_EQ(big.size(), 5u);
    EXPECT_EQ(big[4].start, 4 * ((threeGiB + 7) / 5 / 65536 * 65536));
    EXPECT_GT(big[4].start, std::int64_t{1} << 31);
    EXPECT_EQ(big[4].end, threeGiB + 7);

    EXPECT_EQ(CSegmentDownloader::planSegments("u", u"t", 40, 50).size(), 40u);
    EXPECT_EQ(CSegmentDownloader::planSegments("u", u"t", 1000, 80).size(), 50u);
    EXPECT_EQ(CSegmentDownloader::planSegments("u", u"t", 1000, 0).size(), 1u);
    EXPECT_TRUE(CSegmentDownloader::planSegments("u", u"t", 0, 5).empty());
}

TEST_F(SegmentDownloaderTest, DownloadsOverFiveRangesAndRemovesTheParts) {
    ASSERT_TRUE(download("/file"));
    EXPECT_EQ(readFile(target), server.body());
    EXPECT_EQ(sorted(server.rangesAsked("/file")),
              (std::vector<std::string>{"", "bytes=0-199", "bytes=200-399", "bytes=400-599",
                                        "bytes=600-799", "bytes=800-1002"}));
    EXPECT_EQ(lastLength, 1003);
    EXPECT_EQ(lastReceived, 1003);
    EXPECT_EQ(result.reason, "");
    EXPECT_FALSE(result.partsKept);
    EXPECT_FALSE(anyPartLeft());
    EXPECT_FALSE(fs::exists(target.string() + ".joining"));
}

TEST_F(SegmentDownloaderTest, ResumesEachSegmentFromItsPart) {
    const std::string& body = server.body();
    leaveParts({{0, body.substr(0, 200)},     // complete
                {2, body.substr(400, 50)},    // partial
                {4, std::string(300, 'z')}},  // longer than its segment
               1003, serverValidators());
    ASSERT_TRUE(download("/file"));
    EXPECT_EQ(readFile(target), body);
    EXPECT_EQ(sorted(server.rangesAsked("/file")),
              (std::vector<std::string>{"", "bytes=200-399", "bytes=450-599", "bytes=600-799",
                                        "bytes=800-1002"}));
    EXPECT_EQ(lastReceived, 1003 - 200 - 50);
    EXPECT_FALSE(anyPartLeft());
}

// The second run after a kill continues every part, and every ranged
// request names the version it continues.
TEST_F(SegmentDownloaderTest, ResumeAfterAKillSendsIfRangeOnEveryRequest) {
    stopMidway();
    EXPECT_FALSE(fs::exists(target));
    server.gate.open();
    const auto before = server.requests("/trickle").size();
    ASSERT_TRUE(download("/trickle"));
    EXPECT_EQ(readFile(target), server.body());
    auto asked = server.requests("/trickle");
    asked.erase(asked.begin(), asked.begin() + static_cast<std::ptrdiff_t>(before));
    std::vector<std::string> ranges;
    for (const auto& request : asked) {
        if (request.range.empty())
            continue;  // the length probe
        EXPECT_EQ(request.ifRange, server.etag()) << request.range;
        ranges.push_back(request.range);
    }
    // Nothing is fetched twice: every part continues after its ten bytes.
    EXPECT_EQ(sorted(ranges),
              (std::vector<std::string>{"bytes=10-199", "bytes=210-399", "bytes=410-599",
                                        "bytes=610-799", "bytes=810-1002"}));
    EXPECT_EQ(lastReceived, 1003 - 50);
}

TEST_F(SegmentDownloaderTest, SameLengthChangeBetweenRunsGivesTheNewFile) {
    stopMidway();
    server.gate.open();
    server.replaceBody(testing_support::patternBytes(2006).substr(1003));  // same length
    ASSERT_TRUE(download("/trickle"));
    EXPECT_EQ(readFile(target), server.body());
    EXPECT_NE(result.note, "");
    EXPECT_EQ(lastReceived, 1003);  // every part was fetched anew
    EXPECT_FALSE(anyPartLeft());
}

// Without extended attributes the stamps live in the control file, which
// goes with the parts; without either, no part is trusted.
TEST_F(SegmentDownloaderTest, StampsGoToAControlFileWithoutExtendedAttributes) {
    PartStamps::setAttributesUsableForTesting(false);
    const fs::path control = target.string() + ".stamps";
    stopMidway();
    EXPECT_TRUE(fs::exists(control));
    server.gate.open();
    ASSERT_TRUE(download("/trickle"));
    PartStamps::setAttributesUsableForTesting(true);
    EXPECT_EQ(readFile(target), server.body());
    EXPECT_EQ(lastReceived, 1003 - 50);
    EXPECT_FALSE(fs::exists(control));
    EXPECT_FALSE(anyPartLeft());
}

TEST_F(SegmentDownloaderTest, PartsWithoutAnyStampAreFetchedAnew) {
    PartStamps::setAttributesUsableForTesting(false);
    fs::create_directory(target.string() + ".stamps");  // the control file cannot be written
    stopMidway();
    server.gate.open();
    const bool written = download("/trickle");
    PartStamps::setAttributesUsableForTesting(true);
    ASSERT_TRUE(written);
    EXPECT_EQ(readFile(target), server.body());
    EXPECT_EQ(lastReceived, 1003);
}

TEST_F(SegmentDownloaderTest, ATargetThatIsAFolderIsRefusedBeforeAnyRequest) {
    fs::create_directory(target);
    EXPECT_FALSE(download("/file"));
    EXPECT_EQ(result.outcome, FetchOutcome::TargetRefused);
    EXPECT_EQ(result.reason, "cannot write " + target.string() + ": Is a directory");
    EXPECT_TRUE(server.rangesAsked("/file").empty());
    EXPECT_FALSE(anyPartLeft());

    target = dir / "no such folder" / "a.flv";
    EXPECT_FALSE(download("/file"));
    EXPECT_EQ(result.outcome, FetchOutcome::TargetRefused);
    EXPECT_EQ(result.reason, "the folder " + (dir / "no such folder").string() + " does not exist");
    EXPECT_TRUE(server.rangesAsked("/file").empty());
}

TEST_F(SegmentDownloaderTest, AnInterruptedJoinIsRecovered) {
    const std::string& body = server.body();
    leaveParts({{0, body.substr(0, 200)},
                {1, body.substr(200, 200)},
                {2, body.substr(400, 200)},
                {3, body.substr(600, 200)},
                {4, body.substr(800)}},
               1003, serverValidators());
    // A crash during a join leaves part 0 under the joining name, with
    // other parts appended.
    fs::rename(partOf(target, 0), target.string() + ".joining");
    fs::resize_file(target.string() + ".joining", 600);
    ASSERT_TRUE(download("/file"));
    EXPECT_EQ(readFile(target), server.body());
    EXPECT_EQ(lastReceived, 0);
}

TEST_F(SegmentDownloaderTest, HttpErrorsKeepAnOlderTargetUntouched) {
    writeFile(target, "an older file");
    for (const auto& [path, reason] : std::vector<std::pair<std::string, std::string>>{
             {"/missing", "HTTP 404 Not Found"}, {"/error", "HTTP 500 Internal Server Error"}}) {
        SCOPED_TRACE(path);
        EXPECT_FALSE(download(path));
        EXPECT_EQ(result.outcome, FetchOutcome::HttpError);
        EXPECT_EQ(result.reason, reason);
        EXPECT_FALSE(result.partsKept);
        EXPECT_EQ(readFile(target), "an older file");
    }
}

TEST_F(SegmentDownloaderTest, OffsetsAndCountersBeyondFourGibibytes) {
    const std::int64_t size = FaultServer::hugeSize();
    const auto last = CSegmentDownloader::planSegments("u", u"t", size, 5).back();
    server.hugeServedFrom = last.start;
    // Only the last segment is fetched: its part already holds all but the
    // final 1000 bytes (a sparse file costs no disk).
    leaveParts({{4, ""}}, size, {});
    fs::resize_file(partOf(target, 4), static_cast<std::uintmax_t>(last.length() - 1000));
    EXPECT_FALSE(download("/huge"));  // the other segments were refused
    EXPECT_EQ(result.outcome, FetchOutcome::HttpError);
    EXPECT_EQ(result.httpStatus, 503);
    EXPECT_TRUE(result.partsKept);
    EXPECT_EQ(lastLength, size);
    EXPECT_EQ(lastReceived, 1000);
    const std::string asked =
        "bytes=" + std::to_string(size - 1000) + "-" + std::to_string(size - 1);
    const auto ranges = server.rangesAsked("/huge");
    EXPECT_NE(std::find(ranges.begin(), ranges.end(), asked), ranges.end());
    std::ifstream part(partOf(target, 4), std::ios::binary);
    part.seekg(last.length() - 1000);
    std::string tail(1000, '\0');
    part.read(tail.data(), 1000);
    for (std::int64_t i = 0; i < 1000; ++i)
        ASSERT_EQ(tail[static_cast<std::size_t>(i)], FaultServer::hugeByte(size - 1000 + i)) << i;
}

TEST_F(SegmentDownloaderTest, UnusableProbeStartsNoWorkerAndWritesNothing) {
    for (const char* path : {"/missing", "/nolength", "/tiny"}) {
        SCOPED_TRACE(path);
        EXPECT_FALSE(download(path));
        EXPECT_EQ(server.rangesAsked(path), std::vector<std::string>{""});
        EXPECT_FALSE(fs::exists(target));
        EXPECT_FALSE(anyPartLeft());
    }
    EXPECT_FALSE(download("/tiny"));
    EXPECT_EQ(result.outcome, FetchOutcome::NoLength);
    EXPECT_EQ(result.reason, "the server declared a length of 31 bytes");
    EXPECT_EQ(lastLength, 31);
}

TEST_F(SegmentDownloaderTest, ServerIgnoringRangeStillYieldsTheWholeFile) {
    ASSERT_TRUE(download("/norange"));
    EXPECT_EQ(readFile(target), server.body());
    EXPECT_FALSE(anyPartLeft());
}

TEST_F(SegmentDownloaderTest, AnswerForAnotherRangeIsNeverWritten) {
    EXPECT_FALSE(download("/shifted"));
    EXPECT_EQ(result.outcome, FetchOutcome::WrongRange);
    EXPECT_FALSE(fs::exists(target));
    // Segment 0 asked from byte 0 and got it; every other answer started at
    // the wrong byte and left its part empty.
    EXPECT_EQ(readFile(partOf(target, 0)), server.body().substr(0, 200));
    for (int i = 1; i < 5; ++i)
        EXPECT_EQ(fs::file_size(partOf(target, i)), 0u) << i;
}

TEST_F(SegmentDownloaderTest, EncodedAnswersToRangesAreRefused) {
    EXPECT_FALSE(download("/gzip"));
    EXPECT_EQ(result.outcome, FetchOutcome::RefusedEncoding);
    EXPECT_EQ(result.reason, "the server sent gzip-encoded content, which was not asked for");
    EXPECT_FALSE(fs::exists(target));
    EXPECT_EQ(lastReceived, 0);
    EXPECT_FALSE(result.partsKept);
}

// Connections cut after every 1 MiB: reconnects inside the run complete a
// 20 MiB file, each continuing where its part ended.
TEST(SegmentDownloaderCuts, EveryConnectionCutAfterOneMebibyteStillCompletesInOneRun) {
    ShortLimits limits;
    FaultServer server(20 << 20);
    server.cutAfter = 1 << 20;
    TempDir dir;
    CSegmentDownloader engine;
    const FetchResult result =
        engine.downloadTask(server.url("/cut"), wide(dir / "big.mp4"), nullptr, nullptr, 5);
    ASSERT_TRUE(result.ok()) << result.reason;
    EXPECT_TRUE(readFile(dir / "big.mp4") == server.body());
    EXPECT_EQ(engine.received(), 20 << 20);
    const auto ranges = server.rangesAsked("/cut");
    EXPECT_EQ(ranges.size(), 1u + 20u);  // the probe, then four answers per segment
    EXPECT_NE(std::find(ranges.begin(), ranges.end(), "bytes=1048576-4194303"), ranges.end());
}

TEST_F(SegmentDownloaderTest, ConnectionsThatBreakWithoutProgressFailAfterFiveReconnects) {
    server.cutAfter = 0;
    EXPECT_FALSE(download("/cut"));
    EXPECT_EQ(result.outcome, FetchOutcome::NetworkError) << result.reason;
    EXPECT_NE(result.reason.find("(5 reconnects without progress)"), std::string::npos)
        << result.reason;
    EXPECT_EQ(server.rangesAsked("/cut").size(), 1u + 5u * 6u);
    EXPECT_FALSE(fs::exists(target));
}

TEST_F(SegmentDownloaderTest, PartsOfAnotherPlanAreFetchedAnew) {
    stopMidway(5);  // parts of a 1003-byte file over 5 connections
    server.gate.open();
    ASSERT_TRUE(download("/trickle", 3));
    EXPECT_EQ(readFile(target), server.body());
    // Only part 0 ([0, 200) then, [0, 334) now) starts where it did: the
    // others are fetched from their new starts.
    const auto ranges = server.rangesAsked("/trickle");
    EXPECT_NE(std::find(ranges.begin(), ranges.end(), "bytes=334-667"), ranges.end());
    EXPECT_NE(std::find(ranges.begin(), ranges.end(), "bytes=668-1002"), ranges.end());

    FaultServer changed(1500);  // another file
    CSegmentDownloader engine;
    ASSERT_TRUE(engine.downloadTask(changed.url("/file"), wide(target), nullptr, nullptr, 3).ok());
    EXPECT_EQ(readFile(target), changed.body());
}

// A part stamped for the equal cut of the plan before boundaries fell on
// 64 KiB: its bytes belong elsewhere, so it is fetched anew, never joined
// at the new plan's offset.
TEST(SegmentDownloaderAlignedPlan, PartsOfTheOlderEqualCutAreFetchedAnew) {
    ShortLimits limits;
    const std::int64_t length = (1 << 20) + 3;
    FaultServer server(static_cast<std::size_t>(length));
    TempDir dir;
    const fs::path target = dir / "clip.mp4";
    const std::int64_t oldStart = length / 5;  // 209715; now 196608
    writeFile(partOf(target, 1), server.body().substr(static_cast<std::size_t>(oldStart), 5000));
    ASSERT_TRUE(
        PartStamps(target.string())
            .saveAll({partOf(target, 1).string()},
                     {{length, oldStart, 2 * oldStart, {server.etag(), server.lastModified()}}},
                     nullptr));
    CSegmentDownloader engine;
    const FetchResult result =
        engine.downloadTask(server.url("/file"), wide(target), nullptr, nullptr, 5);
    ASSERT_TRUE(result.ok()) << result.reason;
    EXPECT_EQ(readFile(target), server.body());
    const auto ranges = server.rangesAsked("/file");
    EXPECT_NE(std::find(ranges.begin(), ranges.end(), "bytes=196608-393215"), ranges.end());
    EXPECT_EQ(engine.received(), length);
}

// Every way of joining gives the same file: shared blocks where the file
// system can (here it may fall back), the kernel's copy, and 1 MiB blocks.
TEST(SegmentDownloaderJoin, EveryCopyMethodJoinsTheSameFile) {
    FaultServer server((5 << 20) + 3);
    TempDir dir;
    for (const auto method : {platform::CopyMethod::Clone, platform::CopyMethod::Kernel,
                              platform::CopyMethod::Blocks}) {
        CSegmentDownloader::setJoinMethodForTesting(method);
        const fs::path target = dir / ("clip" + std::to_string(static_cast<int>(method)));
        CSegmentDownloader engine;
        const FetchResult result =
            engine.downloadTask(server.url("/file"), wide(target), nullptr, nullptr, 5);
        EXPECT_TRUE(result.ok()) << result.reason;
        EXPECT_EQ(readFile(target), server.body()) << static_cast<int>(method);
        EXPECT_FALSE(fs::exists(partOf(target, 4)));
    }
    CSegmentDownloader::setJoinMethodForTesting(platform::CopyMethod::Clone);
}

TEST_F(SegmentDownloaderTest, StalledConnectionIsOpenedAgain) {
    // The server's few handler threads are held by the stalled answers:
    // later requests wait for one, longer than the short first-byte limit.
    auto patient = platform::transferLimits();
    patient.firstByte = std::chrono::seconds(30);
    platform::setTransferLimitsForTesting(patient);
    server.trickleBytes = 1;
    CSegmentDownloader engine;
    engine.setStallTimeout(1);
    auto running = std::async(std::launch::async, [&] {
        return engine.downloadTask(server.url("/trickle"), wide(target), nullptr, nullptr, 5);
    });
    // A stalled connection is given up and asked again from where its part
    // ends (one byte into its segment), whichever connection the server's
    // free threads answer first.
    const auto reconnected = [&] {
        const auto ranges = server.rangesAsked("/trickle");
        return std::any_of(ranges.begin(), ranges.end(), [](const std::string& range) {
            for (const char* start :
                 {"bytes=1-", "bytes=201-", "bytes=401-", "bytes=601-", "bytes=801-"}) {
                if (range.starts_with(start))
                    return true;
            }
            return false;
        });
    };
    for (int i = 0; i < 20000 && !reconnected(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_TRUE(reconnected());
    server.gate.open();
    const FetchResult stalled = running.get();
    ASSERT_TRUE(stalled.ok()) << stalled.reason;
    EXPECT_EQ(readFile(target), server.body());
}

TEST_F(SegmentDownloaderTest, SilentServerEndsTheRunAtTheFirstByteLimit) {
    testing_support::SilentServer silent;
    CSegmentDownloader engine;
    const auto start = std::chrono::steady_clock::now();
    const FetchResult silentResult =
        engine.downloadTask(silent.url("http", "/v"), wide(target), nullptr, nullptr, 5);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(silentResult.outcome, FetchOutcome::TimedOut);
    EXPECT_NE(silentResult.reason.find("(first-byte limit)"), std::string::npos);
}

// A full disk: a small tmpfs (where mounting is permitted).
TEST_F(SegmentDownloaderTest, FullDiskFailsWithTheSystemsReason) {
    TempDir small;
    if (::mount("tmpfs", small.path().c_str(), "tmpfs", 0, "size=256k") != 0)
        GTEST_SKIP() << "mounting a tmpfs is not permitted here";
    FaultServer big(1 << 20);
    CSegmentDownloader engine;
    const FetchResult full =
        engine.downloadTask(big.url("/file"), wide(small / "clip.mp4"), nullptr, nullptr, 5);
    const bool leftover = fs::exists(small / "clip.mp4");
    ::umount2(small.path().c_str(), MNT_DETACH);
    EXPECT_EQ(full.outcome, FetchOutcome::WriteFailed);
    EXPECT_NE(full.reason.find("No space left on device"), std::string::npos) << full.reason;
    EXPECT_EQ(full.systemError, ENOSPC);
    EXPECT_FALSE(leftover);
}

TEST(SegmentDownloaderNginx, DownloadsFromARateLimitedServer) {
    TempDir www;
    const std::string body = testing_support::patternBytes(3 << 20);
    writeFile(www / "clip.mp4", body);
    testing_support::NginxServer nginx({.httpRoot = www.path(), .httpRateLimit = 4 << 20});
    TempDir dir;
    CSegmentDownloader engine;
    ASSERT_TRUE(
        engine.downloadTask(nginx.httpUrl("/clip.mp4"), wide(dir / "clip.mp4"), nullptr, nullptr, 5)
            .ok());
    EXPECT_EQ(readFile(dir / "clip.mp4"), body);
    EXPECT_EQ(engine.received(), 3 << 20);
}

class JoinSegmentTest : public ::testing::Test {
protected:
    void SetUp() override {
        fd = ::open((dir / "t").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ASSERT_GE(fd, 0);
    }
    void TearDown() override { ::close(fd); }
    SegmentInfo segment(const std::string& part) const {
        return {"u", platform::utf8ToUtf16((dir / part).string()), 5, 15};
    }
    TempDir dir;
    int fd = -1;
};

TEST_F(JoinSegmentTest, CopiesExactlyTheSegmentToItsOffset) {
    writeFile(dir / "p", "0123456789EXTRA");
    ASSERT_TRUE(CSegmentDownloader::joinSegment(segment("p"), fd));
    EXPECT_EQ(readFile(dir / "t"), std::string(5, '\0') + "0123456789");
    EXPECT_TRUE(fs::exists(dir / "p"));  // parts are deleted only after the whole join
}

TEST_F(JoinSegmentTest, MissingOrShortPartFails) {
    EXPECT_FALSE(CSegmentDownloader::joinSegment(segment("absent"), fd));
    writeFile(dir / "short", "01234");
    EXPECT_FALSE(CSegmentDownloader::joinSegment(segment("short"), fd));
}

// Each method alone, down to the last: a part longer than its segment, so
// that no method may take more than the segment.
TEST_F(JoinSegmentTest, EachMethodCopiesExactlyTheSegment) {
    writeFile(dir / "p", "0123456789EXTRA");
    for (const auto method : {platform::CopyMethod::Clone, platform::CopyMethod::Kernel,
                              platform::CopyMethod::Blocks}) {
        ASSERT_EQ(::ftruncate(fd, 0), 0);
        CSegmentDownloader::setJoinMethodForTesting(method);
        EXPECT_TRUE(CSegmentDownloader::joinSegment(segment("p"), fd));
        EXPECT_EQ(readFile(dir / "t"), std::string(5, '\0') + "0123456789")
            << static_cast<int>(method);
        writeFile(dir / "short", "01234");
        EXPECT_FALSE(CSegmentDownloader::joinSegment(segment("short"), fd));
    }
    CSegmentDownloader::setJoinMethodForTesting(platform::CopyMethod::Clone);
}

}  // namespace

namespace {

// The process-wide download budget for one test, switched off after.
class SharedBudget {
public:
    explicit SharedBudget(std::int64_t bytesPerSecond) {
        platform::http::setRateLimit(bytesPerSecond);
    }
    ~SharedBudget() { platform::http::setRateLimit(0); }
};

using Clock = std::chrono::steady_clock;

// Two downloads at once share one budget: together they take at least the
// time the budget allows for their bytes, however many connections they
// open.
TEST(SegmentDownloaderBudget, TwoDownloadsShareOneRate) {
    constexpr std::int64_t kRate = 2 << 20;
    const SharedBudget budget(kRate);
    FaultServer first(3 << 20);
    FaultServer second((3 << 20) + 12345);
    TempDir dir;
    const auto start = Clock::now();
    auto one = std::async(std::launch::async, [&] {
        CSegmentDownloader engine;
        return engine.downloadTask(first.url("/file"), wide(dir / "one.mp4"), nullptr, nullptr, 5);
    });
    auto two = std::async(std::launch::async, [&] {
        CSegmentDownloader engine;
        return engine.downloadTask(second.url("/file"), wide(dir / "two.mp4"), nullptr, nullptr, 3);
    });
    const FetchResult oneResult = one.get();
    const FetchResult twoResult = two.get();
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    ASSERT_TRUE(oneResult.ok()) << oneResult.reason;
    ASSERT_TRUE(twoResult.ok()) << twoResult.reason;
    EXPECT_EQ(readFile(dir / "one.mp4"), first.body());
    EXPECT_EQ(readFile(dir / "two.mp4"), second.body());
    const auto total = static_cast<double>(first.body().size() + second.body().size());
    const double least =
        (total - static_cast<double>(platform::RateBudget::burstFor(kRate))) / kRate;
    EXPECT_GE(seconds, least * 0.9);
}

// A connection that waits for budget longer than the stall limit is not
// stalled: each connection's share here is 4 KiB/s, so its 12 KiB answer
// takes about three times the 1 s limit, and no request is made again.
TEST(SegmentDownloaderBudget, WaitingForBudgetIsNoStall) {
    const SharedBudget budget(8 << 10);
    FaultServer server(24 << 10);
    TempDir dir;
    CSegmentDownloader engine;
    engine.setStallTimeout(1);
    const FetchResult result =
        engine.downloadTask(server.url("/file"), wide(dir / "slow.mp4"), nullptr, nullptr, 2);
    ASSERT_TRUE(result.ok()) << result.reason;
    EXPECT_EQ(readFile(dir / "slow.mp4"), server.body());
    EXPECT_EQ(sorted(server.rangesAsked("/file")),
              (std::vector<std::string>{"", "bytes=0-12287", "bytes=12288-24575"}));
}

}  // namespace

namespace {

// A btrfs file system in an image file, mounted for one test where that is
// permitted (root, btrfs-progs, loop devices).
class LoopBtrfs {
public:
    LoopBtrfs() {
        const std::string image = (dir_ / "fs.img").string();
        fs::create_directory(mountPoint());
        if (!fs::exists("/usr/sbin/mkfs.btrfs") && !fs::exists("/sbin/mkfs.btrfs"))
            return;
        writeFile(image, "");
        fs::resize_file(image, 256 << 20);
        if (!platform::runProcess({"mkfs.btrfs", "-q", image}, true).ok())
            return;
        mounted_ =
            platform::runProcess({"mount", "-o", "loop", image, mountPoint().string()}, true).ok();
    }
    ~LoopBtrfs() {
        if (mounted_)
            platform::runProcess({"umount", mountPoint().string()}, true);
    }
    bool mounted() const { return mounted_; }
    fs::path mountPoint() const { return dir_ / "mnt"; }

private:
    TempDir dir_;
    bool mounted_ = false;
};

// True when every extent of the file's first `length` bytes is shared with
// another file.
bool extentsShared(const fs::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0)
        return false;
    constexpr unsigned kMaxExtents = 64;
    std::vector<char> buffer(sizeof(fiemap) + kMaxExtents * sizeof(fiemap_extent));
    auto* map = reinterpret_cast<fiemap*>(buffer.data());
    map->fm_length = FIEMAP_MAX_OFFSET;
    map->fm_flags = FIEMAP_FLAG_SYNC;
    map->fm_extent_count = kMaxExtents;
    const bool mapped = ::ioctl(fd, FS_IOC_FIEMAP, map) == 0 && map->fm_mapped_extents > 0;
    ::close(fd);
    if (!mapped)
        return false;
    for (unsigned i = 0; i < map->fm_mapped_extents; ++i) {
        if (!(map->fm_extents[i].fe_flags & FIEMAP_EXTENT_SHARED))
            return false;
    }
    return true;
}

// Where the file system shares blocks, the join clones the parts: the
// target's blocks are the parts' own, a whole 64 KiB segment in the middle
// and the last one with its unaligned end.
TEST(SegmentDownloaderJoin, PartsAreClonedWhereTheFileSystemSharesBlocks) {
    LoopBtrfs btrfs;
    if (!btrfs.mounted())
        GTEST_SKIP() << "no loop-mounted btrfs here (needs root, btrfs-progs and loop devices)";
    const fs::path folder = btrfs.mountPoint();
    const std::string body = testing_support::patternBytes(3 * 65536 + 5);
    writeFile(folder / "t_1", body.substr(65536, 65536));
    writeFile(folder / "t_2", body.substr(2 * 65536));
    writeFile(folder / "t", body.substr(0, 65536));
    const int fd = ::open((folder / "t").c_str(), O_WRONLY);
    ASSERT_GE(fd, 0);
    ::fsync(fd);
    const auto segment = [&](int index, std::int64_t end) {
        return SegmentInfo{"u", wide(partOf(folder / "t", index)), index * 65536, end};
    };
    EXPECT_TRUE(CSegmentDownloader::joinSegment(segment(1, 2 * 65536), fd));
    EXPECT_TRUE(CSegmentDownloader::joinSegment(segment(2, 3 * 65536 + 5), fd));
    ::close(fd);
    EXPECT_EQ(readFile(folder / "t"), body);
    EXPECT_TRUE(extentsShared(partOf(folder / "t", 1)));
    EXPECT_TRUE(extentsShared(partOf(folder / "t", 2)));
}

}  // namespace
