// A small GIF89a encoder for the skin's animations (Qt reads GIF but cannot
// write it).
#pragma once

#include <QByteArray>
#include <QImage>
#include <QVector>

namespace skin {

// Encodes equally sized frames as a looping animated GIF, each shown for
// `delayMs` (rounded to 10 ms). Pixels with alpha below 128 become the
// transparent colour; the others share one palette of at most 255 colours,
// chosen by popularity over all frames. Returns an empty array when there
// are no frames or they differ in size.
QByteArray encodeAnimatedGif(const QVector<QImage>& frames, int delayMs);

// The LZW stream of GIF image data for 8-bit indices, without the leading
// minimum-code-size byte and without sub-block framing. Exposed for tests.
QByteArray lzwEncode(const QByteArray& indices, int minCodeSize);

}  // namespace skin
