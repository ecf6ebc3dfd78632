// HLS samples made once per test program by ffmpeg, and the checks every
// downloaded result must pass.
#pragma once

#include "testing/media.h"

#include <filesystem>
#include <string>

namespace hls_test {

// Folders under one root, each with "index.m3u8" (or "master.m3u8"):
//   ts/      MPEG-TS segments, 4 s in 1 s segments
//   fmp4/    fragmented MP4 segments with "init.mp4"
//   aes/     MPEG-TS segments encrypted with AES-128, key "key.bin" at a relative URI
//   single/  byte ranges of one file "index.ts"
//   master/  two video variants and an audio rendition (makeHlsMaster)
struct Samples {
    std::filesystem::path root;
    double seconds = 4.0;
    int segments = 4;
};
const Samples& samples();

// ffprobe: the duration within 0.5 s of `seconds`, a video stream (of the
// size given, when given) and an audio stream, and a clean decode.
void expectPlayable(const std::filesystem::path& file, double seconds, int width = 0,
                    int height = 0);

}  // namespace hls_test
