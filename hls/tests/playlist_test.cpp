// The playlist parser and the downloadability check, on playlist text.
#include "hls/hls.h"

#include <gtest/gtest.h>

namespace {

constexpr const char* kBase = "https://cdn.example/media/v1/index.m3u8?token=abc";

hls::Playlist parseOk(const std::string& text, const char* url = kBase) {
    hls::ParsedPlaylist parsed = hls::parsePlaylist(text, url);
    EXPECT_TRUE(parsed.result.ok()) << parsed.result.message();
    return parsed.playlist;
}

TEST(Playlist, MasterWithVariantsAndAudioGroups) {
    const hls::Playlist playlist = parseOk(
        "#EXTM3U\r\n"
        "#EXT-X-VERSION:4\r\n"
        "#EXT-X-MEDIA:TYPE=AUDIO,GROUP-ID=\"aac\",NAME=\"English, main\",LANGUAGE=\"en\","
        "DEFAULT=YES,AUTOSELECT=YES,URI=\"audio/en.m3u8\"\r\n"
        "#EXT-X-MEDIA:TYPE=AUDIO,GROUP-ID=\"aac\",NAME=\"Deutsch\",URI=\"/abs/de.m3u8\"\r\n"
        "#EXT-X-STREAM-INF:BANDWIDTH=2500000,AVERAGE-BANDWIDTH=2000000,"
        "CODECS=\"avc1.64001f,mp4a.40.2\",RESOLUTION=1280x720,FRAME-RATE=29.970,AUDIO=\"aac\"\r\n"
        "hi/index.m3u8\r\n"
        "\r\n"
        "# a comment between variants\r\n"
        "#EXT-X-I-FRAME-STREAM-INF:BANDWIDTH=90000,URI=\"iframes.m3u8\"\r\n"
        "#EXT-X-STREAM-INF:CODECS=\"avc1.4d401e,mp4a.40.2\",BANDWIDTH=800000\r\n"
        "https://other.example/lo.m3u8\r\n");
    ASSERT_TRUE(playlist.isMaster);
    ASSERT_EQ(playlist.master.variants.size(), 2u);  // the I-frame playlist is no variant
    const hls::Variant& hi = playlist.master.variants[0];
    EXPECT_EQ(hi.uri, "https://cdn.example/media/v1/hi/index.m3u8");
    EXPECT_EQ(hi.bandwidth, 2500000);
    EXPECT_EQ(hi.averageBandwidth, 2000000);
    EXPECT_EQ(hi.codecs, "avc1.64001f,mp4a.40.2");
    EXPECT_EQ(hi.width, 1280);
    EXPECT_EQ(hi.height, 720);
    EXPECT_NEAR(hi.frameRate, 29.97, 1e-9);
    EXPECT_EQ(hi.audioGroup, "aac");
    const hls::Variant& lo = playlist.master.variants[1];
    EXPECT_EQ(lo.uri, "https://other.example/lo.m3u8");
    EXPECT_EQ(lo.codecs, "avc1.4d401e,mp4a.40.2");
    EXPECT_EQ(lo.width, 0);

    ASSERT_EQ(playlist.master.renditions.size(), 2u);
    const hls::Rendition& en = playlist.master.renditions[0];
    EXPECT_EQ(en.type, "AUDIO");
    EXPECT_EQ(en.groupId, "aac");
    EXPECT_EQ(en.name, "English, main");
    EXPECT_EQ(en.language, "en");
    EXPECT_TRUE(en.isDefault);
    EXPECT_EQ(en.uri, "https://cdn.example/media/v1/audio/en.m3u8");
    EXPECT_EQ(playlist.master.renditions[1].uri, "https://cdn.example/abs/de.m3u8");
    EXPECT_FALSE(playlist.master.renditions[1].isDefault);
}

TEST(Playlist, MediaSegmentsWithRangesMapsKeysAndDiscontinuities) {
    const hls::Playlist playlist = parseOk(
        "\xEF\xBB\xBF#EXTM3U\n"
        "#EXT-X-TARGETDURATION:6\n"
        "#EXT-X-MEDIA-SEQUENCE:41\n"
        "#EXT-X-PLAYLIST-TYPE:VOD\n"
        "#EXT-X-MAP:URI=\"init.mp4\",BYTERANGE=\"720@0\"\n"
        "#EXTINF:5.5,first title, with a comma\n"
        "#EXT-X-BYTERANGE:1000@720\n"
        "all.mp4\n"
        "#EXTINF:6,\n"
        "#EXT-X-BYTERANGE:2000\n"
        "all.mp4\n"
        "#EXT-X-KEY:METHOD=AES-128,URI=\"../keys/k1.bin\",IV=0x000102030405060708090a0b0c0d0e0f\n"
        "#EXT-X-DISCONTINUITY\n"
        "#EXTINF:4.25,\n"
        "//edge.example/seg 3.ts\n"
        "#EXT-X-KEY:METHOD=AES-128,URI=\"https://keys.example/k2\"\n"
        "#EXTINF:4,\n"
        "seg4.ts?x=1\n"
        "#EXT-X-KEY:METHOD=NONE\n"
        "#EXTINF:3,\n"
        "seg5.ts\n"
        "#EXT-X-ENDLIST\n");
    ASSERT_FALSE(playlist.isMaster);
    const hls::MediaPlaylist& media = playlist.media;
    EXPECT_EQ(media.targetDuration, 6);
    EXPECT_EQ(media.mediaSequence, 41);
    EXPECT_EQ(media.playlistType, "VOD");
    EXPECT_TRUE(media.endList);
    EXPECT_DOUBLE_EQ(media.duration(), 5.5 + 6 + 4.25 + 4 + 3);
    ASSERT_EQ(media.segments.size(), 5u);

    ASSERT_EQ(media.initSections.size(), 1u);
    EXPECT_EQ(media.initSections[0].uri, "https://cdn.example/media/v1/init.mp4");
    EXPECT_EQ(media.initSections[0].range.offset, 0);
    EXPECT_EQ(media.initSections[0].range.length, 720);

    const auto& s = media.segments;
    EXPECT_EQ(s[0].uri, "https://cdn.example/media/v1/all.mp4");
    EXPECT_EQ(s[0].sequence, 41);
    EXPECT_EQ(s[0].range.offset, 720);
    EXPECT_EQ(s[0].range.length, 1000);
    EXPECT_EQ(s[0].init, 0);
    // A range without an offset continues after the previous one.
    EXPECT_EQ(s[1].range.offset, 1720);
    EXPECT_EQ(s[1].range.length, 2000);
    EXPECT_EQ(s[1].key, -1);
    EXPECT_FALSE(s[1].discontinuity);

    EXPECT_TRUE(s[2].discontinuity);
    EXPECT_EQ(s[2].uri, "https://edge.example/seg%203.ts");
    EXPECT_FALSE(s[2].range.present());
    ASSERT_EQ(s[2].key, 0);
    const hls::Key& k1 = media.keys[0];
    EXPECT_EQ(k1.method, hls::KeyMethod::Aes128);
    EXPECT_EQ(k1.uri, "https://cdn.example/media/keys/k1.bin");
    ASSERT_TRUE(k1.hasIv);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(k1.iv[static_cast<std::size_t>(i)], i);

    ASSERT_EQ(s[3].key, 1);
    EXPECT_FALSE(media.keys[1].hasIv);
    EXPECT_EQ(media.keys[1].uri, "https://keys.example/k2");
    EXPECT_EQ(s[3].uri, "https://cdn.example/media/v1/seg4.ts?x=1");
    EXPECT_EQ(s[3].sequence, 44);
    EXPECT_EQ(s[4].key, -1);  // METHOD=NONE ends the encryption
    EXPECT_TRUE(hls::checkDownloadable(media).ok());
}

TEST(Playlist, ShortIvIsRightAlignedAndKeyFormatsChooseTheUsableKey) {
    const hls::Playlist playlist = parseOk(
        "#EXTM3U\n"
        "#EXT-X-KEY:METHOD=AES-128,URI=\"k\",IV=0x1F\n"
        "#EXTINF:1,\na.ts\n"
        // Two tags for the same segments: one for a DRM system, one we can use.
        "#EXT-X-KEY:METHOD=SAMPLE-AES,URI=\"skd://x\",KEYFORMAT=\"com.example.drm\"\n"
        "#EXT-X-KEY:METHOD=AES-128,URI=\"k2\",KEYFORMAT=\"identity\"\n"
        "#EXTINF:1,\nb.ts\n"
        "#EXT-X-ENDLIST\n");
    const hls::MediaPlaylist& media = playlist.media;
    EXPECT_EQ(media.keys[0].iv[15], 0x1F);
    EXPECT_EQ(media.keys[0].iv[14], 0);
    ASSERT_GE(media.segments[1].key, 0);
    EXPECT_EQ(media.keys[static_cast<std::size_t>(media.segments[1].key)].uri,
              "https://cdn.example/media/v1/k2");
    EXPECT_TRUE(hls::checkDownloadable(media).ok()) << hls::checkDownloadable(media).message();
}

TEST(Playlist, RefusesWhatItCannotFollow) {
    struct Case {
        const char* text;
        hls::Failure failure;
        const char* inMessage;
    };
    const Case cases[] = {
        {"<html>not a playlist</html>", hls::Failure::NotPlaylist, "#EXTM3U"},
        {"", hls::Failure::NotPlaylist, "not an HLS playlist"},
        {"#EXTM3U\n#EXT-X-KEY:METHOD=AES-128\n#EXTINF:1,\na.ts\n", hls::Failure::BadPlaylist,
         "key without URI"},
        {"#EXTM3U\n#EXT-X-KEY:METHOD=AES-128,URI=\"k\",IV=0xZZ\n", hls::Failure::BadPlaylist,
         "bad IV"},
        {"#EXTM3U\n#EXTINF:1,\n#EXT-X-BYTERANGE:abc\na.ts\n", hls::Failure::BadPlaylist,
         "EXT-X-BYTERANGE"},
        {"#EXTM3U\n#EXT-X-MAP:BYTERANGE=\"1@0\"\n", hls::Failure::BadPlaylist, "EXT-X-MAP"},
        {"#EXTM3U\n#EXT-X-MEDIA:TYPE=AUDIO,GROUP-ID=\"a\",URI=\"a.m3u8\"\n",
         hls::Failure::BadPlaylist, "without variants"},
    };
    for (const Case& c : cases) {
        const hls::ParsedPlaylist parsed = hls::parsePlaylist(c.text, kBase);
        EXPECT_EQ(parsed.result.failure, c.failure) << c.text;
        EXPECT_NE(parsed.result.message().find(c.inMessage), std::string::npos)
            << parsed.result.message();
        EXPECT_NE(parsed.result.message().find(kBase), std::string::npos);
    }
}

TEST(Playlist, RefusesOversizedPlaylists) {
    std::string many = "#EXTM3U\n";
    for (std::size_t i = 0; i <= hls::kMaxSegments; ++i)
        many += "#EXTINF:1,\ns.ts\n";
    hls::ParsedPlaylist parsed = hls::parsePlaylist(many, kBase);
    EXPECT_EQ(parsed.result.failure, hls::Failure::TooLarge);
    EXPECT_NE(parsed.result.message().find("100000 segments"), std::string::npos);

    std::string huge = "#EXTM3U\n";
    huge.resize(hls::kMaxPlaylistBytes + 1, '#');
    parsed = hls::parsePlaylist(huge, kBase);
    EXPECT_EQ(parsed.result.failure, hls::Failure::TooLarge);
    EXPECT_NE(parsed.result.message().find("64 MiB"), std::string::npos);
}

TEST(Playlist, DownloadableOnlyWhenFinishedAndDecryptable) {
    const auto check = [](const std::string& text) {
        return hls::checkDownloadable(parseOk(text).media);
    };
    const hls::Result live = check("#EXTM3U\n#EXTINF:1,\na.ts\n");
    EXPECT_EQ(live.failure, hls::Failure::Live);
    EXPECT_NE(live.message().find("EXT-X-ENDLIST"), std::string::npos);

    const hls::Result sampleAes = check(
        "#EXTM3U\n#EXT-X-KEY:METHOD=SAMPLE-AES,URI=\"k\"\n#EXTINF:1,\na.ts\n#EXT-X-ENDLIST\n");
    EXPECT_EQ(sampleAes.failure, hls::Failure::KeyMethod);
    EXPECT_NE(sampleAes.message().find("SAMPLE-AES"), std::string::npos);

    EXPECT_EQ(check("#EXTM3U\n#EXT-X-KEY:METHOD=AES-128,URI=\"k\",KEYFORMAT=\"x.drm\"\n"
                    "#EXTINF:1,\na.ts\n#EXT-X-ENDLIST\n")
                  .failure,
              hls::Failure::KeyMethod);
    EXPECT_EQ(check("#EXTM3U\n#EXT-X-ENDLIST\n").failure, hls::Failure::BadPlaylist);
}

}  // namespace
