// Loading, downloading and combining real HLS made by ffmpeg, served on
// loopback, with the server misbehaving on purpose.
#include "hls/hls.h"
#include "hls/tests/hls_media.h"
#include "hls/tests/hls_server.h"
#include "platform/http.h"
#include "platform/rate.h"
#include "testing/temp_dir.h"

#include <gtest/gtest.h>

#include <thread>

namespace hls_test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

std::string segmentPath(const std::string& folder, int index, const char* extension = ".ts") {
    char name[32];
    std::snprintf(name, sizeof name, "seg%03d%s", index, extension);
    return "/" + folder + "/" + name;
}

class HlsDownload : public ::testing::Test {
protected:
    HlsServer server{samplesRoot()};

    // The address of a file of a sample, made on first use.
    std::string urlOf(const std::string& kind, const std::string& file) {
        sample(kind);
        return server.url("/" + kind + "/" + file);
    }
    testing_support::TempDir out;
    fs::path target = out / "clip.mp4";

    hls::DownloadOptions quickRetries() {
        hls::DownloadOptions options;
        options.retryDelay = 10ms;
        return options;
    }

    // The three steps as a task controller runs them.
    hls::Result fetch(const std::string& url, int variant = -1, hls::DownloadOptions options = {}) {
        options.retryDelay = 10ms;
        hls::Stream stream = hls::loadStream(url, variant);
        if (!stream.result.ok())
            return stream.result;
        hls::Download download(stream.tracks, hls::workFolderFor(target), options);
        download.start();
        const hls::Result downloaded = download.wait();
        if (!downloaded.ok())
            return downloaded;
        EXPECT_EQ(download.segmentsDone(), download.segmentsTotal());
        return hls::combine(stream.tracks, hls::workFolderFor(target), target);
    }

    void expectEachRequestedOnce(const std::string& folder, int count,
                                 const char* extension = ".ts") {
        for (int i = 0; i < count; ++i)
            EXPECT_EQ(server.requestsOf(segmentPath(folder, i, extension)), 1) << i;
    }

    void expectDoneAndTidy() {
        expectPlayable(target, kSampleSeconds);
        EXPECT_FALSE(fs::exists(hls::workFolderFor(target)));
        EXPECT_FALSE(fs::exists(target.string() + ".remuxing"));
    }
};

TEST_F(HlsDownload, MpegTsSegments) {
    const hls::Result result = fetch(urlOf("ts", "index.m3u8"));
    ASSERT_TRUE(result.ok()) << result.message();
    expectDoneAndTidy();
    expectEachRequestedOnce("ts", kSampleSegments);
}

// The segments draw from the process-wide download budget: the download
// takes at least the time the rate allows for their bytes.
TEST_F(HlsDownload, SegmentsShareTheProcessWideRate) {
    std::int64_t segmentBytes = 0;
    for (const auto& entry : fs::directory_iterator(sample("ts"))) {
        if (entry.path().extension() == ".ts")
            segmentBytes += static_cast<std::int64_t>(entry.file_size());
    }
    const std::int64_t rate = std::max<std::int64_t>(segmentBytes / 2, 16 << 10);
    platform::http::setRateLimit(rate);
    const auto start = std::chrono::steady_clock::now();
    const hls::Result result = fetch(urlOf("ts", "index.m3u8"));
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    platform::http::setRateLimit(0);
    ASSERT_TRUE(result.ok()) << result.message();
    expectDoneAndTidy();
    const double least =
        static_cast<double>(segmentBytes - platform::RateBudget::burstFor(rate)) / rate;
    EXPECT_GE(seconds, least * 0.9) << segmentBytes << " bytes at " << rate << " B/s";
}

TEST_F(HlsDownload, FragmentedMp4WithInitSection) {
    const hls::Result result = fetch(urlOf("fmp4", "index.m3u8"));
    ASSERT_TRUE(result.ok()) << result.message();
    expectDoneAndTidy();
    EXPECT_EQ(server.requestsOf("/fmp4/init.mp4"), 1);
    expectEachRequestedOnce("fmp4", kSampleSegments, ".m4s");
}

TEST_F(HlsDownload, Aes128EncryptedSegments) {
    // The segments on the server really are encrypted: no transport-stream sync byte.
    ASSERT_NE(testing_support::readFile(sample("aes") / "seg000.ts")[0], '\x47');
    const hls::Result result = fetch(urlOf("aes", "index.m3u8"));
    ASSERT_TRUE(result.ok()) << result.message();
    expectDoneAndTidy();
    EXPECT_EQ(server.requestsOf("/aes/key.bin"), 1);  // fetched once, shared by the workers
}

TEST_F(HlsDownload, MasterPlaylistVariantsAndAudioRendition) {
    const hls::Stream stream = hls::loadStream(urlOf("master", "master.m3u8"));
    ASSERT_TRUE(stream.result.ok()) << stream.result.message();
    ASSERT_EQ(stream.variants.size(), 2u);
    EXPECT_EQ(stream.chosen, 0);  // the highest BANDWIDTH
    EXPECT_EQ(stream.variants[0].name.substr(0, 9), "320x240, ");
    EXPECT_NE(stream.variants[0].name.find("kbit/s"), std::string::npos);
    EXPECT_EQ(stream.variants[1].name.substr(0, 9), "160x120, ");
    EXPECT_GT(stream.variants[0].bandwidth, stream.variants[1].bandwidth);
    EXPECT_EQ(stream.variants[0].audioGroup, "group_aud");
    EXPECT_NE(stream.variants[0].codecs.find(','), std::string::npos);
    EXPECT_NEAR(stream.duration, kSampleSeconds, 0.5);
    EXPECT_EQ(stream.variants[0].estimatedBytes,
              static_cast<std::int64_t>(static_cast<double>(stream.variants[0].bandwidth) *
                                        stream.duration / 8));
    ASSERT_EQ(stream.tracks.size(), 2u);
    EXPECT_EQ(stream.tracks[0].role, "video");
    EXPECT_EQ(stream.tracks[1].role, "audio");
    EXPECT_EQ(stream.tracks[1].playlist.url, urlOf("master", "v2.m3u8"));

    hls::Result result = fetch(urlOf("master", "master.m3u8"));
    ASSERT_TRUE(result.ok()) << result.message();
    expectPlayable(target, kSampleSeconds, 320, 240);

    fs::remove(target);
    result = fetch(urlOf("master", "master.m3u8"), 1);
    ASSERT_TRUE(result.ok()) << result.message();
    expectPlayable(target, kSampleSeconds, 160, 120);

    result = fetch(urlOf("master", "master.m3u8"), 2);
    EXPECT_EQ(result.failure, hls::Failure::NoSuchVariant);
    EXPECT_NE(result.message().find("no variant 2"), std::string::npos) << result.message();
}

TEST_F(HlsDownload, ByteRangesOfOneFile) {
    const hls::Result result = fetch(urlOf("single", "index.m3u8"));
    ASSERT_TRUE(result.ok()) << result.message();
    expectDoneAndTidy();
    std::set<std::string> ranges;
    for (const LoggedRequest& request : server.log())
        if (request.path == "/single/index.ts")
            ranges.insert(request.range);
    EXPECT_EQ(ranges.size(), static_cast<std::size_t>(kSampleSegments));
    EXPECT_FALSE(ranges.contains(""));
}

TEST_F(HlsDownload, RelativeAndAbsoluteUrisAfterARedirect) {
    // The playlist lives at /moved/list/ after a redirect; its URIs are
    // relative to that address, one absolute, one from the server root.
    const std::string original = testing_support::readFile(sample("ts") / "index.m3u8");
    std::string playlist = original;
    const auto replace = [&](const std::string& from, const std::string& to) {
        playlist.replace(playlist.find(from), from.size(), to);
    };
    replace("seg000.ts", "../../ts/seg000.ts");
    replace("seg001.ts", urlOf("ts", "seg001.ts"));
    replace("seg002.ts", "/ts/seg002.ts");
    replace("seg003.ts", "../../ts/./seg003.ts?token=a%20b");
    server.serveText("/moved/list/index.m3u8", playlist);
    server.redirect("/start.m3u8", "/moved/list/index.m3u8");

    const hls::Result result = fetch(server.url("/start.m3u8"));
    ASSERT_TRUE(result.ok()) << result.message();
    expectDoneAndTidy();
    expectEachRequestedOnce("ts", kSampleSegments);
}

TEST_F(HlsDownload, RetriesASegmentThatFailsOnceOrIsCut) {
    server.failNext(segmentPath("ts", 1), 503);
    server.cutNext(segmentPath("ts", 2), 1000);
    const hls::Result result = fetch(urlOf("ts", "index.m3u8"));
    ASSERT_TRUE(result.ok()) << result.message();
    expectDoneAndTidy();
    EXPECT_EQ(server.requestsOf(segmentPath("ts", 1)), 2);
    EXPECT_EQ(server.requestsOf(segmentPath("ts", 2)), 2);
}

TEST_F(HlsDownload, GivesUpAfterThreeRetriesAndKeepsWhatArrived) {
    server.failAlways(segmentPath("ts", 2), 500);
    const hls::Stream stream = hls::loadStream(urlOf("ts", "index.m3u8"));
    ASSERT_TRUE(stream.result.ok());
    hls::Download download(stream.tracks, hls::workFolderFor(target), quickRetries());
    download.start();
    const hls::Result result = download.wait();
    EXPECT_EQ(result.failure, hls::Failure::HttpStatus);
    EXPECT_EQ(result.httpStatus, 500);
    EXPECT_NE(result.message().find("segment 2 (" + server.url(segmentPath("ts", 2)) +
                                    "): HTTP 500 Internal Server Error"),
              std::string::npos)
        << result.message();
    EXPECT_EQ(server.requestsOf(segmentPath("ts", 2)), 4);
    EXPECT_FALSE(fs::exists(target));
    EXPECT_TRUE(fs::exists(hls::workFolderFor(target) / "video/000000.seg"));
    EXPECT_FALSE(fs::exists(hls::workFolderFor(target) / "video/000002.seg"));
}

TEST_F(HlsDownload, ASegmentThatStallsEndsAtTheTimeLimit) {
    const hls::Stream stream = hls::loadStream(urlOf("ts", "index.m3u8"));
    ASSERT_TRUE(stream.result.ok());
    server.hold({segmentPath("ts", 1)});
    hls::DownloadOptions options = quickRetries();
    options.retries = 0;
    options.request.stallTimeoutSeconds = 1;
    hls::Download download(stream.tracks, hls::workFolderFor(target), options);
    download.start();
    const hls::Result result = download.wait();
    EXPECT_EQ(result.failure, hls::Failure::TimeLimit);
    EXPECT_NE(result.message().find("segment 1 ("), std::string::npos) << result.message();
    EXPECT_NE(result.message().find("(stall limit)"), std::string::npos);
}

TEST_F(HlsDownload, KeyThatCannotBeFetched) {
    server.failAlways("/aes/key.bin", 404);
    const hls::Result result = fetch(urlOf("aes", "index.m3u8"));
    EXPECT_EQ(result.failure, hls::Failure::Key);
    EXPECT_EQ(result.httpStatus, 404);
    EXPECT_EQ(result.message(), "key " + urlOf("aes", "key.bin") +
                                    ": the key could not be fetched: HTTP 404 Not Found");
    EXPECT_FALSE(fs::exists(target));
    for (int i = 0; i < kSampleSegments; ++i)
        EXPECT_EQ(server.requestsOf(segmentPath("aes", i)), 0);
}

TEST_F(HlsDownload, RefusesLiveSampleAesAndOversizedPlaylists) {
    server.serveText("/live.m3u8", "#EXTM3U\n#EXT-X-TARGETDURATION:2\n#EXTINF:2,\n/ts/seg000.ts\n");
    server.serveText("/sample-aes.m3u8",
                     "#EXTM3U\n#EXT-X-KEY:METHOD=SAMPLE-AES,URI=\"/k\"\n#EXTINF:2,\n"
                     "/ts/seg000.ts\n#EXT-X-ENDLIST\n");
    server.serveText("/huge.m3u8", "#EXTM3U\n" + std::string(hls::kMaxPlaylistBytes, '#'));
    server.serveText("/page.html", "<html></html>", "text/html");

    hls::Stream live = hls::loadStream(server.url("/live.m3u8"));
    EXPECT_EQ(live.result.failure, hls::Failure::Live);
    EXPECT_NE(live.result.message().find("live playlist"), std::string::npos);
    hls::Stream sampleAes = hls::loadStream(server.url("/sample-aes.m3u8"));
    EXPECT_EQ(sampleAes.result.failure, hls::Failure::KeyMethod);
    EXPECT_NE(sampleAes.result.message().find("SAMPLE-AES"), std::string::npos);
    EXPECT_EQ(hls::loadStream(server.url("/huge.m3u8")).result.failure, hls::Failure::TooLarge);
    EXPECT_EQ(hls::loadStream(server.url("/page.html")).result.failure, hls::Failure::NotPlaylist);
    const hls::Result missing = hls::loadStream(server.url("/none.m3u8")).result;
    EXPECT_EQ(missing.message(), "playlist " + server.url("/none.m3u8") + ": HTTP 404 Not Found");
    EXPECT_EQ(server.requestsOf("/ts/seg000.ts"), 0);
}

TEST_F(HlsDownload, StopThenANewRunFetchesOnlyTheMissingSegments) {
    const hls::Stream stream = hls::loadStream(urlOf("ts", "index.m3u8"));
    ASSERT_TRUE(stream.result.ok());
    const fs::path work = hls::workFolderFor(target);
    server.hold({segmentPath("ts", 2), segmentPath("ts", 3)});
    {
        hls::Download download(stream.tracks, work, quickRetries());
        download.start();
        while (download.segmentsDone() < 2 && !download.finished())
            std::this_thread::sleep_for(5ms);
        ASSERT_FALSE(download.finished());
        download.stop();
        EXPECT_TRUE(download.finished());
        EXPECT_EQ(download.result().failure, hls::Failure::Stopped);
        EXPECT_EQ(download.segmentsDone(), 2);
    }
    server.release();
    EXPECT_TRUE(fs::exists(work / "video/000000.seg"));
    EXPECT_TRUE(fs::exists(work / "video/000001.seg"));
    EXPECT_FALSE(fs::exists(work / "video/000002.seg"));
    EXPECT_TRUE(fs::is_empty(work / "video") == false);

    server.clearLog();
    hls::Download again(stream.tracks, work, quickRetries());
    again.start();
    const hls::Result result = again.wait();
    ASSERT_TRUE(result.ok()) << result.message();
    EXPECT_EQ(server.requestsOf(segmentPath("ts", 0)), 0);
    EXPECT_EQ(server.requestsOf(segmentPath("ts", 1)), 0);
    EXPECT_EQ(server.requestsOf(segmentPath("ts", 2)), 1);
    EXPECT_EQ(server.requestsOf(segmentPath("ts", 3)), 1);
    EXPECT_EQ(again.segmentsDone(), 4);
    // Bytes count what was on disk before this run too.
    EXPECT_GT(again.bytesDone(), again.bytesThisRun());
    ASSERT_TRUE(hls::combine(stream.tracks, work, target).ok());
    expectDoneAndTidy();
}

TEST_F(HlsDownload, PauseHoldsTheWorkersUntilResumed) {
    const hls::Stream stream = hls::loadStream(urlOf("ts", "index.m3u8"));
    ASSERT_TRUE(stream.result.ok());
    server.clearLog();
    hls::Download download(stream.tracks, hls::workFolderFor(target), quickRetries());
    download.pause();
    download.start();
    // Paused before the first piece: nothing is asked for while paused.
    EXPECT_FALSE(download.waitFor(300ms));
    EXPECT_EQ(server.log().size(), 0u);
    download.resume();
    const hls::Result result = download.wait();
    ASSERT_TRUE(result.ok()) << result.message();
    EXPECT_EQ(download.segmentsDone(), kSampleSegments);
}

TEST_F(HlsDownload, AWorkFolderOfAnotherStreamIsEmptiedFirst) {
    const fs::path work = hls::workFolderFor(target);
    fs::create_directories(work / "video");
    testing_support::writeFile(work / "manifest", "clipwright hls work folder 1\nother\n");
    testing_support::writeFile(work / "video/000000.seg", "not this stream");
    testing_support::writeFile(work / "notes.txt", "the user's");
    const hls::Result result = fetch(urlOf("ts", "index.m3u8"));
    ASSERT_TRUE(result.ok()) << result.message();
    expectPlayable(target, kSampleSeconds);
    EXPECT_EQ(server.requestsOf(segmentPath("ts", 0)), 1);
    // Only our own files go: the folder stays while the user's file is in it.
    EXPECT_EQ(testing_support::readFile(work / "notes.txt"), "the user's");
    EXPECT_FALSE(fs::exists(work / "video"));
}

TEST_F(HlsDownload, AFailedRemuxKeepsTheSegments) {
    // Segments that are no media at all: the download succeeds, ffmpeg does not.
    server.serveText("/junk/index.m3u8",
                     "#EXTM3U\n#EXTINF:1,\na.ts\n#EXTINF:1,\nb.ts\n#EXT-X-ENDLIST\n");
    server.serveText("/junk/a.ts", std::string(5000, 'x'), "video/mp2t");
    server.serveText("/junk/b.ts", std::string(5000, 'y'), "video/mp2t");
    const hls::Result result = fetch(server.url("/junk/index.m3u8"));
    EXPECT_EQ(result.failure, hls::Failure::Remux);
    EXPECT_NE(result.message().find("ffmpeg failed: "), std::string::npos) << result.message();
    EXPECT_FALSE(result.detail.empty());
    EXPECT_EQ(result.detail.find('\n'), std::string::npos);
    EXPECT_FALSE(fs::exists(target));
    const fs::path work = hls::workFolderFor(target);
    EXPECT_EQ(testing_support::readFile(work / "video/000000.seg"), std::string(5000, 'x'));
    EXPECT_EQ(testing_support::readFile(work / "video/000001.seg"), std::string(5000, 'y'));
    EXPECT_FALSE(fs::exists(work / "joined-video.bin"));
}

}  // namespace
}  // namespace hls_test
