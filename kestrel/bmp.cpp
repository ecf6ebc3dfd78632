#include "kestrel/bmp.h"

#include <cstring>

namespace kestrel {
namespace {

void putLe16(std::uint8_t* at, std::uint16_t value) {
    at[0] = value & 0xff;
    at[1] = value >> 8;
}

void putLe32(std::uint8_t* at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        at[i] = (value >> (8 * i)) & 0xff;
}

}  // namespace

std::vector<std::uint8_t> makeBmp(int width, int height, const std::uint8_t* bgra, int stride) {
    const std::uint32_t rowBytes = static_cast<std::uint32_t>(width) * 4;
    const std::uint32_t pixelBytes = rowBytes * static_cast<std::uint32_t>(height);
    std::vector<std::uint8_t> bmp(kBmpHeaderSize + pixelBytes);
    std::uint8_t* h = bmp.data();
    // BITMAPFILEHEADER
    h[0] = 'B';
    h[1] = 'M';
    putLe32(h + 2, static_cast<std::uint32_t>(bmp.size()));
    putLe32(h + 10, kBmpHeaderSize);
    // BITMAPINFOHEADER; a negative height stores the top row first.
    putLe32(h + 14, 40);
    putLe32(h + 18, static_cast<std::uint32_t>(width));
    putLe32(h + 22, static_cast<std::uint32_t>(-height));
    putLe16(h + 26, 1);
    putLe16(h + 28, 32);
    putLe32(h + 30, 0);  // uncompressed
    putLe32(h + 34, pixelBytes);
    putLe32(h + 38, 2835);  // 72 dpi
    putLe32(h + 42, 2835);

    std::uint8_t* out = h + kBmpHeaderSize;
    for (int y = 0; y < height; ++y) {
        std::memcpy(out + y * rowBytes, bgra + static_cast<std::ptrdiff_t>(y) * stride, rowBytes);
        for (std::uint32_t x = 3; x < rowBytes; x += 4)
            out[y * rowBytes + x] = 255;
    }
    return bmp;
}

}  // namespace kestrel
