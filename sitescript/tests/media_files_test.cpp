// ProbeFileType on files made by ffmpeg and on hand-made signatures;
// MergeStreams with the real ffmpeg.
#include "sitescript/tests/engine_fixture.h"
#include "sitescript/tooling.h"
#include "testing/media.h"

#include <sys/stat.h>

namespace sitescript_test {
namespace {

namespace fs = std::filesystem;
using testing_support::makeClip;
using testing_support::probeValue;
using testing_support::writeFile;

const ISiteScript& engine() {
    return *CreateSiteScriptHandle();
}

int probe(const fs::path& path) {
    return engine().ProbeFileType(platform::utf8ToUtf16(path.string()).c_str());
}

int merge(const fs::path& output, const fs::path& input1, const fs::path* input2, int mode) {
    const std::u16string out = platform::utf8ToUtf16(output.string());
    const std::u16string in1 = platform::utf8ToUtf16(input1.string());
    const std::u16string in2 = input2 ? platform::utf8ToUtf16(input2->string()) : u"";
    return engine().MergeStreams(out.c_str(), in1.c_str(), input2 ? in2.c_str() : nullptr, mode);
}

double durationOf(const fs::path& path) {
    const std::string value = probeValue(path, "format=duration");
    return value.empty() ? 0.0 : std::stod(value);
}

// 140 bytes of fragmented-Flash bootstrap data with the box types at the
// given offsets.
std::string bootstrap(std::size_t asrtAt, std::size_t afrtAt) {
    std::string data(140, '\0');
    data.replace(4, 4, "abst");
    data.replace(asrtAt, 4, "asrt");
    data.replace(afrtAt, 4, "afrt");
    return data;
}

class MediaFiles : public EngineTest {
protected:
    testing_support::ClipOptions shortClip(bool video, bool audio) {
        testing_support::ClipOptions options;
        options.seconds = 1.0;
        options.width = 160;
        options.height = 120;
        options.video = video;
        options.audio = audio;
        return options;
    }
};

TEST_F(MediaFiles, ProbeFileTypeOfFfmpegFiles) {
    makeClip(home / "both.flv", shortClip(true, true));
    makeClip(home / "video.flv", shortClip(true, false));
    makeClip(home / "audio.flv", shortClip(false, true));
    makeClip(home / "clip.mp4", shortClip(true, true));
    EXPECT_EQ(probe(home / "both.flv"), FileTypeFlv);
    EXPECT_EQ(probe(home / "video.flv"), FileTypeOther);  // FLV 0x01 0x01
    EXPECT_EQ(probe(home / "audio.flv"), FileTypeOther);  // FLV 0x01 0x04
    EXPECT_EQ(probe(home / "clip.mp4"), FileTypeMp4);
}

TEST_F(MediaFiles, ProbeFileTypeSignatures) {
    writeFile(home / "f4f", bootstrap(47, 73));
    writeFile(home / "f4f-moved", bootstrap(48, 73));
    writeFile(home / "free-first.mp4", std::string("\0\0\0\x08"
                                                   "free\0\0\0\x10"
                                                   "ftyp",
                                                   16));
    writeFile(home / "short", "FLV");
    writeFile(home / "empty", "");
    EXPECT_EQ(probe(home / "f4f"), FileTypeF4f);
    EXPECT_EQ(probe(home / "f4f-moved"), FileTypeOther);
    EXPECT_EQ(probe(home / "free-first.mp4"), FileTypeOther);
    EXPECT_EQ(probe(home / "short"), FileTypeOther);
    EXPECT_EQ(probe(home / "empty"), FileTypeOther);
    EXPECT_EQ(probe(home / "absent"), FileTypeUnreadable);
    EXPECT_EQ(probe(home.path()), FileTypeUnreadable);  // a folder is no file
    EXPECT_EQ(engine().ProbeFileType(nullptr), FileTypeUnreadable);
}

TEST_F(MediaFiles, ConcatenatesFlvPiecesFromAList) {
    const fs::path first = home / "piece 'one'.flv", second = home / "piece-two.flv";
    makeClip(first, shortClip(true, true));
    makeClip(second, shortClip(true, true));
    writeFile(home / "list.txt", sitescript::concatList({first.string(), second.string()}));
    const fs::path joined = home / "joined.flv";
    EXPECT_EQ(merge(joined, home / "list.txt", nullptr, probe(first)), 0);
    EXPECT_NEAR(durationOf(joined), 2.0, 0.3);
    EXPECT_TRUE(fs::exists(first));  // the pieces are the caller's to remove

    // ffmpeg failing (a piece is missing) is a failed merge.
    writeFile(home / "bad.txt", sitescript::concatList({(home / "gone.flv").string()}));
    EXPECT_EQ(merge(home / "bad.flv", home / "bad.txt", nullptr, FileTypeFlv), -1);
}

TEST_F(MediaFiles, MuxesMp4VideoWithM4aAudio) {
    const fs::path video = home / "video.mp4", audio = home / "audio.m4a";
    makeClip(video, shortClip(true, false));
    makeClip(audio, shortClip(false, true));
    const fs::path output = home / "muxed.mp4";
    ASSERT_EQ(merge(output, video, &audio, MergeModeMux), 0);
    EXPECT_EQ(probeValue(output, "stream=codec_type", "v:0"), "video");
    EXPECT_EQ(probeValue(output, "stream=codec_type", "a:0"), "audio");

    // An existing output is never overwritten.
    writeFile(home / "taken.mp4", "keep me");
    EXPECT_EQ(merge(home / "taken.mp4", video, &audio, MergeModeMux), -1);
    EXPECT_EQ(testing_support::readFile(home / "taken.mp4"), "keep me");
    EXPECT_EQ(merge(home / "half.mp4", video, nullptr, MergeModeMux), -1);
}

TEST_F(MediaFiles, ModeTwoAndMissingOrFailingFfmpeg) {
    writeFile(home / "list.txt", "");
    EXPECT_EQ(merge(home / "out.flv", home / "list.txt", nullptr, FileTypeF4f), -1);
    EXPECT_FALSE(fs::exists(home / "out.flv"));
    {
        testing_support::ScopedEnv noPath("PATH", "");
        EXPECT_EQ(merge(home / "out.flv", home / "list.txt", nullptr, 0), -1);
    }
    // The application directory's ffmpeg comes first; its exit status counts.
    writeFile(home / "ffmpeg", "#!/bin/sh\nexit 1\n");
    ::chmod((home / "ffmpeg").c_str(), 0755);
    EXPECT_EQ(merge(home / "out.flv", home / "list.txt", nullptr, 0), -1);
    writeFile(home / "ffmpeg", "#!/bin/sh\nexit 0\n");
    EXPECT_EQ(merge(home / "out.flv", home / "list.txt", nullptr, 0), 0);
}

TEST(ConcatList, QuotesEveryPath) {
    EXPECT_EQ(sitescript::concatList({"/a/b.flv", "/c/it's.flv"}),
              "file '/a/b.flv'\nfile '/c/it'\\''s.flv'\n");
}

}  // namespace
}  // namespace sitescript_test
