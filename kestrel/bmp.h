// In-memory BMP pictures as the probe hands them out.
#pragma once

#include <cstdint>
#include <vector>

namespace kestrel {

constexpr int kBmpHeaderSize = 54;

// A 32-bit top-down BMP of width x height pixels from BGRA rows `stride`
// bytes apart: a 54-byte header (the pixel length at byte 34), then the
// pixels with their fourth byte set to 255.
std::vector<std::uint8_t> makeBmp(int width, int height, const std::uint8_t* bgra, int stride);

}  // namespace kestrel
