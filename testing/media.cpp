#include "testing/media.h"

#include "platform/process.h"

#include <sstream>

#include <fstream>
#include <random>
#include <stdexcept>

namespace testing_support {

void runFfmpeg(const std::vector<std::string>& args) {
    std::vector<std::string> argv = {"ffmpeg", "-hide_banner", "-loglevel",
                                     "error",  "-nostdin",     "-y"};
    argv.insert(argv.end(), args.begin(), args.end());
    platform::ProcessResult result = platform::runProcess(argv, true);
    if (!result.ok())
        throw std::runtime_error("ffmpeg failed: " + result.output);
}

void makeClip(const std::filesystem::path& path, const ClipOptions& o) {
    const std::string duration = std::to_string(o.seconds);
    std::vector<std::string> args;
    if (o.video) {
        // testsrc2 rounds odd picture sizes to even ones; testsrc keeps them.
        const bool oddSize = o.width % 2 != 0 || o.height % 2 != 0;
        args.insert(args.end(), {"-f", "lavfi", "-i",
                                 std::string(oddSize ? "testsrc" : "testsrc2") + "=size=" +
                                     std::to_string(o.width) + "x" + std::to_string(o.height) +
                                     ":rate=" + std::to_string(o.fps) + ":duration=" + duration});
    }
    if (o.audio) {
        const std::string layout = o.audioChannels == 6   ? "5.1"
                                   : o.audioChannels == 1 ? "mono"
                                                          : "stereo";
        args.insert(args.end(), {"-f", "lavfi", "-i",
                                 "sine=frequency=440:sample_rate=" + std::to_string(o.sampleRate) +
                                     ":duration=" + duration});
        args.insert(args.end(), {"-af", "aformat=channel_layouts=" + layout});
    }
    args.insert(args.end(), o.codecArgs.begin(), o.codecArgs.end());
    args.push_back("-shortest");
    args.push_back(path.string());
    runFfmpeg(args);
}

std::string decodeErrors(const std::filesystem::path& path) {
    platform::ProcessResult result =
        platform::runProcess({"ffmpeg", "-hide_banner", "-v", "error", "-nostdin", "-i",
                              path.string(), "-f", "null", "-"},
                             true);
    if (!result.ok() && result.output.empty())
        return "ffmpeg exit status " + std::to_string(result.exitCode);
    return result.output;
}

namespace {

std::string decimal(double value) {
    std::ostringstream text;
    text << value;
    return text.str();
}

// Test-pattern inputs and H.264/AAC encoding with a key frame at every
// segment start, so that ffmpeg cuts the segments where they are asked for.
std::vector<std::string> hlsSourceArgs(const HlsOptions& o) {
    const int fps = 25;
    const std::string size = std::to_string(o.width) + "x" + std::to_string(o.height);
    return {"-f",
            "lavfi",
            "-i",
            "testsrc2=size=" + size + ":rate=" + std::to_string(fps) +
                ":duration=" + decimal(o.seconds),
            "-f",
            "lavfi",
            "-i",
            "sine=frequency=440:sample_rate=44100:duration=" + decimal(o.seconds),
            "-c:v",
            "libx264",
            "-preset",
            "ultrafast",
            "-pix_fmt",
            "yuv420p",
            "-force_key_frames",
            "expr:gte(t,n_forced*" + decimal(o.segmentSeconds) + ")",
            "-c:a",
            "aac",
            "-b:a",
            "64k",
            "-f",
            "hls",
            "-hls_time",
            decimal(o.segmentSeconds),
            "-hls_playlist_type",
            "vod"};
}

void addSegmentArgs(std::vector<std::string>& args, const std::filesystem::path& folder,
                    const HlsOptions& o, const std::string& stem) {
    if (o.fragmentedMp4)
        args.insert(args.end(), {"-hls_segment_type", "fmp4", "-hls_fmp4_init_filename",
                                 stem == "seg" ? "init.mp4" : stem + "_init.mp4"});
    if (o.singleFile)
        args.insert(args.end(), {"-hls_flags", "single_file"});
    else
        args.insert(args.end(),
                    {"-hls_segment_filename",
                     (folder / (stem + (o.fragmentedMp4 ? "%03d.m4s" : "%03d.ts"))).string()});
    if (!o.keyUri.empty()) {
        std::string key(16, '\0');
        std::random_device random;
        for (char& c : key)
            c = static_cast<char>(random());
        std::ofstream(folder / "key.bin", std::ios::binary) << key;
        // Key info file: the URI announced, the key file, no IV line (the
        // sequence number is the IV).
        std::ofstream(folder / "key.info") << o.keyUri << "\n"
                                           << (folder / "key.bin").string() << "\n";
        args.insert(args.end(), {"-hls_key_info_file", (folder / "key.info").string()});
    }
}

}  // namespace

void makeHlsMedia(const std::filesystem::path& folder, const HlsOptions& options) {
    std::filesystem::create_directories(folder);
    std::vector<std::string> args = hlsSourceArgs(options);
    addSegmentArgs(args, folder, options, options.singleFile ? "index" : "seg");
    args.push_back((folder / "index.m3u8").string());
    runFfmpeg(args);
}

void makeHlsMaster(const std::filesystem::path& folder, const HlsOptions& options) {
    std::filesystem::create_directories(folder);
    std::vector<std::string> args = hlsSourceArgs(options);
    const std::string half =
        std::to_string(options.width / 4 * 2) + "x" + std::to_string(options.height / 4 * 2);
    args.insert(args.end(),
                {"-map", "0:v", "-map", "0:v", "-map", "1:a", "-s:v:1", half, "-b:v:0", "600k",
                 "-b:v:1", "150k", "-master_pl_name", "master.m3u8", "-var_stream_map",
                 "v:0,agroup:aud v:1,agroup:aud a:0,agroup:aud,default:yes"});
    addSegmentArgs(args, folder, options, "v%v_");
    args.push_back((folder / "v%v.m3u8").string());
    runFfmpeg(args);
}

std::string probeValue(const std::filesystem::path& path, const std::string& entry,
                       const std::string& streamSelector) {
    std::vector<std::string> argv = {"ffprobe", "-v", "error"};
    if (!streamSelector.empty())
        argv.insert(argv.end(), {"-select_streams", streamSelector});
    argv.insert(argv.end(), {"-show_entries", entry, "-of", "default=noprint_wrappers=1:nokey=1",
                             path.string()});
    platform::ProcessResult result = platform::runProcess(argv, true);
    if (!result.ok())
        return {};
    std::string value = result.output;
    if (auto newline = value.find('\n'); newline != std::string::npos)
        value.resize(newline);
    return value;
}

}  // namespace testing_support
