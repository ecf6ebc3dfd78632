#include "testing/media.h"

#include "platform/process.h"

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
