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

// Decodes every stream of the file with the ffmpeg program and returns
// what it reports as errors: empty for a clean decode.
std::string decodeErrors(const std::filesystem::path& path);

// HLS made from a clip of test patterns (H.264 and AAC, a key frame at
// every segment start).
struct HlsOptions {
    double seconds = 4.0;
    double segmentSeconds = 1.0;
    int width = 320;
    int height = 240;
    bool fragmentedMp4 = false;  // fMP4 segments with an initialisation section "init.mp4"
    bool singleFile = false;     // every segment a byte range of one file
    // AES-128: a new random key is written to "key.bin" in the folder and
    // announced at this URI (relative or absolute); empty for none.
    std::string keyUri;
};

// Writes the media playlist "index.m3u8" and its segments into `folder`.
void makeHlsMedia(const std::filesystem::path& folder, const HlsOptions& options = {});

// Writes "master.m3u8" into `folder`: two video-only variants, "v0.m3u8"
// at the options' size (BANDWIDTH the higher) and "v1.m3u8" at half of it,
// both naming the audio group "aud", whose one rendition "v2.m3u8" is
// DEFAULT=YES.
void makeHlsMaster(const std::filesystem::path& folder, const HlsOptions& options = {});

// Runs ffprobe and returns the value of one entry, for example
// probeValue(file, "format=duration") or probeValue(file, "stream=codec_name", "v:0").
std::string probeValue(const std::filesystem::path& path, const std::string& entry,
                       const std::string& streamSelector = "");

}  // namespace testing_support
