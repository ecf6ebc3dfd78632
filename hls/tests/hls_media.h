// HLS samples made once per test program by ffmpeg, and the checks every
// downloaded result must pass.
#pragma once

#include "testing/media.h"

#include <filesystem>
#include <string>

namespace hls_test {

// HLS samples, each made on first use in a folder of its own (one
// process's folders are under one root, removed at exit):
//   "ts"      MPEG-TS segments "seg000.ts" ..., with "index.m3u8"
//   "fmp4"    fragmented MP4 segments "seg000.m4s" ... with "init.mp4"
//   "aes"     MPEG-TS segments encrypted with AES-128, key "key.bin" at a relative URI
//   "single"  byte ranges of one file "index.ts"
//   "master"  two video variants and an audio rendition, "master.m3u8" (makeHlsMaster)
// All are kSampleSeconds long, in kSampleSegments segments.
constexpr double kSampleSeconds = 4.0;
constexpr int kSampleSegments = 4;
std::filesystem::path samplesRoot();
std::filesystem::path sample(const std::string& kind);

// ffprobe: the duration within 0.5 s of `seconds`, a video stream (of the
// size given, when given) and an audio stream, and a clean decode.
void expectPlayable(const std::filesystem::path& file, double seconds, int width = 0,
                    int height = 0);

}  // namespace hls_test
