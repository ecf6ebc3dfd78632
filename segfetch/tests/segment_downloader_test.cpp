#include "segfetch/segment_downloader.h"

#include "platform/text.h"
#include "testing/fault_server.h"
#include "testing/nginx_fixture.h"
#include "testing/temp_dir.h"

#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

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

class SegmentDownloaderTest : public ::testing::Test {
protected:
    // One engine per call, as a new run of the program would have.
    bool download(const std::string& path, int connections = 5) {
        CSegmentDownloader engine;
        std::atomic<const std::atomic<std::int64_t>*> counter{nullptr};
        std::atomic<std::int64_t> length{1};
        const bool written =
            engine.downloadTask(server.url(path), wide(target), &counter, &length, connections);
        EXPECT_EQ(counter.load(), &engine.received());
        lastLength = length;
        lastReceived = engine.received();
        return written;
    }
    bool anyPartLeft() const {
        for (int i = 0; i < 5; ++i) {
            if (fs::exists(partOf(target, i)))
                return true;
        }
        return false;
    }

    FaultServer server{1003};
    TempDir dir;
    fs::path target = dir / "a.flv";
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

TEST(SegmentPlan, HandlesSizesBeyondFourGibibytesAndClampsConnections) {
    const std::int64_t threeGiB = 3LL << 30;
    const auto big = CSegmentDownloader::planSegments("u", u"t", threeGiB + 7, 5);
    ASSERT_EQ(big.size(), 5u);
    EXPECT_EQ(big[4].start, 4 * ((threeGiB + 7) / 5));
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
    EXPECT_FALSE(anyPartLeft());
    EXPECT_FALSE(fs::exists(target.string() + ".joining"));
}

TEST_F(SegmentDownloaderTest, ResumesEachSegmentFromItsPart) {
    const std::string& body = server.body();
    writeFile(partOf(target, 0), body.substr(0, 200));    // complete
    writeFile(partOf(target, 2), body.substr(400, 50));   // partial
    writeFile(partOf(target, 4), std::string(300, 'z'));  // longer than its segment
    ASSERT_TRUE(download("/file"));
    EXPECT_EQ(readFile(target), body);
    EXPECT_EQ(sorted(server.rangesAsked("/file")),
              (std::vector<std::string>{"", "bytes=200-399", "bytes=450-599", "bytes=600-799",
                                        "bytes=800-1002"}));
    EXPECT_EQ(lastReceived, 1003 - 200 - 50);
    EXPECT_FALSE(anyPartLeft());
}

TEST_F(SegmentDownloaderTest, FailedJoinKeepsEveryPartAndAnInterruptedOneIsRecovered) {
    fs::create_directory(target);  // the target cannot be replaced
    EXPECT_FALSE(download("/file"));
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(fs::file_size(partOf(target, i)), i == 4 ? 203u : 200u) << i;
    EXPECT_FALSE(fs::exists(target.string() + ".joining"));

    // A crash during a join leaves part 0 under the joining name, with
    // other parts appended.
    fs::remove(target);
    fs::rename(partOf(target, 0), target.string() + ".joining");
    fs::resize_file(target.string() + ".joining", 600);
    ASSERT_TRUE(download("/file"));
    EXPECT_EQ(readFile(target), server.body());
    EXPECT_EQ(lastReceived, 0);
}

TEST_F(SegmentDownloaderTest, OffsetsAndCountersBeyondFourGibibytes) {
    const std::int64_t size = FaultServer::hugeSize();
    const auto last = CSegmentDownloader::planSegments("u", u"t", size, 5).back();
    server.hugeServedFrom = last.start;
    // Only the last segment is fetched: its part already holds all but the
    // final 1000 bytes (a sparse file costs no disk).
    writeFile(partOf(target, 4), "");
    fs::resize_file(partOf(target, 4), static_cast<std::uintmax_t>(last.length() - 1000));
    EXPECT_FALSE(download("/huge"));  // the other segments were refused
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
    EXPECT_EQ(lastLength, 31);
}

TEST_F(SegmentDownloaderTest, ServerIgnoringRangeStillYieldsTheWholeFile) {
    ASSERT_TRUE(download("/norange"));
    EXPECT_EQ(readFile(target), server.body());
    EXPECT_FALSE(anyPartLeft());
}

TEST_F(SegmentDownloaderTest, AnswerForAnotherRangeIsNeverWritten) {
    EXPECT_FALSE(download("/shifted"));
    EXPECT_FALSE(fs::exists(target));
    // Segment 0 asked from byte 0 and got it; every other answer started at
    // the wrong byte and left its part empty.
    EXPECT_EQ(readFile(partOf(target, 0)), server.body().substr(0, 200));
    for (int i = 1; i < 5; ++i)
        EXPECT_EQ(fs::file_size(partOf(target, i)), 0u) << i;
}

TEST_F(SegmentDownloaderTest, CutConnectionsKeepTheirPartsForTheNextRun) {
    server.cutAfter = 64;
    EXPECT_FALSE(download("/cut"));
    EXPECT_FALSE(fs::exists(target));
    std::uintmax_t kept = 0;
    for (int i = 0; i < 5; ++i) {
        const auto part = partOf(target, i);
        ASSERT_EQ(fs::file_size(part), 64u) << i;
        EXPECT_EQ(readFile(part), server.body().substr(static_cast<std::size_t>(i) * 200, 64));
        kept += fs::file_size(part);
    }
    EXPECT_EQ(static_cast<std::int64_t>(kept), lastReceived);

    server.setCutting(false);
    ASSERT_TRUE(download("/cut"));
    EXPECT_EQ(readFile(target), server.body());
    EXPECT_EQ(lastReceived, 1003 - 5 * 64);
    EXPECT_FALSE(anyPartLeft());
}

TEST_F(SegmentDownloaderTest, PartsOfAnotherPlanAreFetchedAnew) {
    server.cutAfter = 64;
    EXPECT_FALSE(download("/cut"));  // parts of a 1003-byte file over 5 connections
    EXPECT_FALSE(download("/cut", 3));
    // Segment 1 now starts at byte 334: the part of [200, 400) was not
    // resumed into it.
    EXPECT_EQ(readFile(partOf(target, 1)), server.body().substr(334, 64));

    FaultServer changed(1500);  // the file grew meanwhile
    CSegmentDownloader engine;
    ASSERT_TRUE(engine.downloadTask(changed.url("/file"), wide(target), nullptr, nullptr, 3));
    EXPECT_EQ(readFile(target), changed.body());
}

TEST_F(SegmentDownloaderTest, StalledConnectionEndsItsSegmentIncomplete) {
    server.trickleBytes = 1;
    {
        CSegmentDownloader engine;
        engine.setStallTimeout(1);
        EXPECT_FALSE(
            engine.downloadTask(server.url("/trickle"), wide(target), nullptr, nullptr, 5));
        EXPECT_EQ(engine.received(), 5);
    }
    EXPECT_FALSE(fs::exists(target));
    EXPECT_EQ(fs::file_size(partOf(target, 3)), 1u);
    server.gate.open();
    ASSERT_TRUE(download("/trickle"));
    EXPECT_EQ(readFile(target), server.body());
}

TEST(SegmentDownloaderNginx, DownloadsFromARateLimitedServer) {
    TempDir www;
    const std::string body = testing_support::patternBytes(3 << 20);
    writeFile(www / "clip.mp4", body);
    testing_support::NginxServer nginx({.httpRoot = www.path(), .httpRateLimit = 4 << 20});
    TempDir dir;
    CSegmentDownloader engine;
    ASSERT_TRUE(engine.downloadTask(nginx.httpUrl("/clip.mp4"), wide(dir / "clip.mp4"), nullptr,
                                    nullptr, 5));
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

}  // namespace
