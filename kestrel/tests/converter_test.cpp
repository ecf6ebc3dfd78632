// Conversion jobs through the flat interface: running, pausing, stopping,
// stream choices and refusals. Every preset of the format table is
// converted by the format library's tests.
#include "kestrel/kestrel.h"
#include "testing/media.h"
#include "testing/temp_dir.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <thread>
#include <vector>

using testing_support::ClipOptions;
using testing_support::makeClip;
using testing_support::probeValue;
using testing_support::TempDir;

namespace {

constexpr int kH264 = 28, kAac = 0x15002, kMp3 = 0x15001, kNoStream = -1;

double durationOf(const std::filesystem::path& file) {
    const std::string text = probeValue(file, "format=duration");
    return text.empty() || text == "N/A" ? -1.0 : std::stod(text);
}

// Polls until the job ends, as a GUI timer would (faster, to keep the test
// short). Returns Converter_IsCompleted's final value, 0 on a time-out.
int waitForEnd(kestrel_handle converter) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(3);
    while (std::chrono::steady_clock::now() < deadline) {
        if (const int state = Converter_IsCompleted(converter))
            return state;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return 0;
}

std::vector<std::filesystem::path> filesIn(const std::filesystem::path& folder) {
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

// A folder that holds at most `bytes`: a small tmpfs mounted over it, or,
// where mounting is not permitted, a limit on the size of every file this
// process writes. Writes past it fail as on a full disk.
class SmallDisk {
public:
    SmallDisk(const std::filesystem::path& folder, std::size_t bytes) : folder_(folder) {
        const std::string options = "size=" + std::to_string(bytes);
        mounted_ = ::mount("tmpfs", folder.c_str(), "tmpfs", 0, options.c_str()) == 0;
        if (mounted_)
            return;
        ::getrlimit(RLIMIT_FSIZE, &saved_);
        const rlimit limit{bytes, saved_.rlim_max};
        ::signal(SIGXFSZ, SIG_IGN);  // writes then fail with EFBIG
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~SmallDisk() {
        if (mounted_)
            ::umount2(folder_.c_str(), MNT_DETACH);
        else
            ::setrlimit(RLIMIT_FSIZE, &saved_);
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    std::string reason() const { return mounted_ ? "No space left on device" : "File too large"; }

private:
    std::filesystem::path folder_;
    bool mounted_ = false;
    rlimit saved_{};
};

class ConverterTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = new TempDir;
        makeClip(longClip(), ClipOptions{.seconds = 10.0, .width = 320, .height = 240});
        makeClip(song(), ClipOptions{.seconds = 1.0, .video = false});
        makeClip(silentFilm(), ClipOptions{.seconds = 1.0, .audio = false});
    }
    static void TearDownTestSuite() { delete dir_; }
    static std::filesystem::path longClip() { return *dir_ / "long.mp4"; }
    static std::filesystem::path song() { return *dir_ / "song.wav"; }
    static std::filesystem::path silentFilm() { return *dir_ / "silent.mp4"; }

    void SetUp() override {
        out_ = std::make_unique<TempDir>();
        converter_ = Converter_Create(27);
        config_ = Config_Create();
    }
    void TearDown() override {
        Config_Release(config_);
        Converter_Close(converter_);
        Converter_Release(converter_);
    }

    bool open(const std::filesystem::path& source, const std::string& name, const char* container) {
        target_ = out_->path() / name;
        return Converter_Open(converter_, source.c_str(), target_.c_str(), container, config_);
    }
    void setH264Aac() {
        ASSERT_TRUE(Config_SetVideoFormat(config_, kH264));
        ASSERT_TRUE(Config_SetAudioFormat(config_, kAac));
    }

    static TempDir* dir_;
    std::unique_ptr<TempDir> out_;
    kestrel_handle converter_ = 0, config_ = 0;
    std::filesystem::path target_;
};

TempDir* ConverterTest::dir_ = nullptr;

TEST_F(ConverterTest, PauseHoldsTheJobAndStartContinuesIntoTheSameFile) {
    setH264Aac();
    ASSERT_TRUE(open(longClip(), "paused.mkv", "matroska"));
    Config_Release(config_);  // the converter keeps its own copy
    config_ = 0;
    EXPECT_NEAR(Converter_GetDuration(converter_), 10'000'000, 200'000);
    ASSERT_TRUE(Converter_Start(converter_));
    while (Converter_GetConvertTime(converter_) < 500'000 && !Converter_IsCompleted(converter_))
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    ASSERT_TRUE(Converter_Pause(converter_)) << "returns once the job has halted";
    const std::int64_t heldAt = Converter_GetConvertTime(converter_);
    // While the job runs, the target's name is held by an empty file and
    // the output grows in a hidden work file beside it.
    const std::vector<std::filesystem::path> during = filesIn(out_->path());
    ASSERT_EQ(during.size(), 2u);
    EXPECT_EQ(std::filesystem::file_size(target_), 0u);
    const std::filesystem::path work = during[0] == target_ ? during[1] : during[0];
    EXPECT_TRUE(work.filename().string().starts_with(".paused.mkv.")) << work;
    EXPECT_TRUE(work.filename().string().ends_with(".part")) << work;
    const auto workBytes = std::filesystem::file_size(work);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));  // the time we watch it stand
    EXPECT_EQ(Converter_GetConvertTime(converter_), heldAt) << "nothing moves while paused";
    EXPECT_EQ(std::filesystem::file_size(work), workBytes) << "nothing is written while paused";
    EXPECT_LT(heldAt, 10'000'000);
    EXPECT_EQ(Converter_IsCompleted(converter_), 0);

    ASSERT_TRUE(Converter_Start(converter_));
    EXPECT_EQ(waitForEnd(converter_), 1);
    EXPECT_STREQ(Converter_GetErrorText(converter_), "");
    EXPECT_EQ(Converter_GetConvertTime(converter_), Converter_GetDuration(converter_));
    EXPECT_FALSE(Converter_Start(converter_)) << "an ended job does not start again";
    Converter_Close(converter_);
    EXPECT_EQ(filesIn(out_->path()), std::vector{target_}) << "the work file became the target";
    EXPECT_NEAR(durationOf(target_), 10.0, 0.5);
}

TEST_F(ConverterTest, StopLeavesAPlayablePartialFile) {
    setH264Aac();
    ASSERT_TRUE(open(longClip(), "stopped.mkv", "matroska"));
    ASSERT_TRUE(Converter_Start(converter_));
    while (Converter_GetConvertTime(converter_) < 1'000'000 && !Converter_IsCompleted(converter_))
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    ASSERT_TRUE(Converter_Stop(converter_));
    EXPECT_EQ(Converter_IsCompleted(converter_), 0) << "a stopped job is not complete";
    EXPECT_FALSE(Converter_Start(converter_));
    EXPECT_EQ(filesIn(out_->path()), std::vector{target_}) << "kept under the target's name";
    Converter_Close(converter_);
    const double partial = durationOf(target_);
    EXPECT_GT(partial, 0.5);
    EXPECT_LT(partial, 9.5);
}

// A write that fails, as on a full disk, fails the job with the system's
// reason; nothing of the job stays, and a file that held the name before
// is left as it was.
TEST_F(ConverterTest, AFullDiskFailsTheJobAndLeavesNoOutput) {
    SmallDisk disk(out_->path(), 64 * 1024);
    setH264Aac();
    testing_support::writeFile(out_->path() / "kept.mkv", "an older file");
    for (const char* name : {"kept.mkv", "new.mkv"}) {
        ASSERT_TRUE(open(longClip(), name, "matroska")) << Converter_GetErrorText(converter_);
        ASSERT_TRUE(Converter_Start(converter_));
        EXPECT_EQ(waitForEnd(converter_), -1);
        const std::string reason = Converter_GetErrorText(converter_);
        EXPECT_NE(reason.find("cannot write " + target_.string()), std::string::npos) << reason;
        EXPECT_NE(reason.find(disk.reason()), std::string::npos) << reason;
        Converter_Close(converter_);
        EXPECT_EQ(filesIn(out_->path()), std::vector{out_->path() / "kept.mkv"}) << name;
    }
    EXPECT_EQ(testing_support::readFile(out_->path() / "kept.mkv"), "an older file");
}

TEST_F(ConverterTest, StreamsFollowTheSettingsAndTheSource) {
    // Audio only into a video container: no video stream is invented.
    setH264Aac();
    ASSERT_TRUE(open(song(), "song.mp4", "mp4"));
    ASSERT_TRUE(Converter_Pause(converter_));
    ASSERT_TRUE(Converter_Start(converter_)) << "start overrides a pause before it";
    ASSERT_EQ(waitForEnd(converter_), 1);
    Converter_Close(converter_);
    EXPECT_EQ(probeValue(target_, "stream=codec_type"), "audio");
    EXPECT_EQ(probeValue(target_, "stream=codec_name", "v"), "");

    // "No video" drops the picture even when the source has one.
    const kestrel_handle audioOnly = Config_Create();
    ASSERT_TRUE(Config_SetVideoFormat(audioOnly, kNoStream));
    ASSERT_TRUE(Config_SetAudioFormat(audioOnly, kMp3));
    const std::filesystem::path mp3 = out_->path() / "sound.mp3";
    ASSERT_TRUE(Converter_Open(converter_, longClip().c_str(), mp3.c_str(), "mp3", audioOnly));
    Config_Release(audioOnly);
    Converter_Close(converter_);  // opened but never started: a valid, empty file
    EXPECT_TRUE(std::filesystem::exists(mp3));

    // A silent film into an audio-only format has nothing to write.
    ASSERT_TRUE(Config_SetVideoFormat(config_, kNoStream));
    ASSERT_TRUE(Config_SetAudioFormat(config_, kMp3));
    EXPECT_FALSE(open(silentFilm(), "nothing.mp3", "mp3"));
}

TEST_F(ConverterTest, RefusesBadSettingsSourcesAndHandles) {
    EXPECT_FALSE(Config_SetVideoFormat(config_, 3)) << "no codec has this number in the table";
    EXPECT_FALSE(Config_SetAudioFormat(config_, 0x7fff0000));
    EXPECT_FALSE(Config_SetVideoFormat(0, kH264));
    setH264Aac();
    EXPECT_FALSE(open(longClip(), "x.out", "no-such-muxer"));
    EXPECT_FALSE(open(longClip(), "no-extension", nullptr));
    EXPECT_FALSE(open(*dir_ / "missing.mp4", "x.mkv", "matroska"));
    EXPECT_FALSE(Converter_Open(converter_, longClip().c_str(),
                                (out_->path() / "no/such/dir/x.mkv").c_str(), "matroska", config_));
    EXPECT_FALSE(Converter_Start(converter_)) << "nothing is open";
    EXPECT_EQ(Converter_IsCompleted(converter_), 0);

    const kestrel_handle released = Converter_Create(27);
    Converter_Release(released);
    EXPECT_FALSE(Converter_Open(released, longClip().c_str(), "/tmp/x.mkv", "matroska", config_));
    EXPECT_FALSE(
        Converter_Open(converter_, longClip().c_str(), "/tmp/x.mkv", "matroska", converter_))
        << "a converter handle is not settings";
    EXPECT_FALSE(Converter_Stop(released));
    Converter_Release(released);
}

}  // namespace
