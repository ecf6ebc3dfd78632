// The file services of the engine: container type by signature, and
// joining downloaded pieces with the ffmpeg program.
#pragma once

#include <filesystem>

namespace sitescript {

// A FileType code for the file's first 140 bytes.
int probeFileType(const std::filesystem::path& path);

// Runs ffmpeg to mux (mode 3) or concatenate (other modes except 2);
// 0 when ffmpeg succeeded, -1 otherwise.
int mergeStreams(const std::filesystem::path& output, const std::filesystem::path& input1,
                 const std::filesystem::path* input2, int mode);

}  // namespace sitescript
