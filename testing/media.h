// Sample media made at test time by the ffmpeg program.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace testing_support {

// Runs "ffmpeg -hide_banner -loglevel error -y <args...>"; throws with
// ffmpeg's output when it fails.
void runFfmpeg(const std::vector<std::string>& args);

struct ClipOptions {
    double seconds = 2.0;
    int width = 320;
    int height = 240;
    int fps = 25;
    bool video = true;
    bool audio = true;
    int audioChannels = 2;
    int sampleRate = 44100;
    // Codec arguments; empty picks ffmpeg's default for the container.
    std::vector<std::string> codecArgs;
};

// Makes a clip of test patterns (a moving picture and a tone) at `path`;
// the container follows the extension.
void makeClip(const std::filesystem::path& path, const ClipOptions& options = {});

// Runs ffprobe and returns the value of one entry, for example
// probeValue(file, "format=duration") or probeValue(file, "stream=codec_name", "v:0").
std::string probeValue(const std::filesystem::path& path, const std::string& entry,
                       const std::string& streamSelector = "");

}  // namespace testing_support
