#include "skin/generator/gif_writer.h"

#include <QHash>
#include <algorithm>

namespace skin {

namespace {

class BitWriter {
public:
    void write(int code, int width) {
        buffer_ |= uint32_t(code) << bits_;
        bits_ += width;
        while (bits_ >= 8) {
            out_.append(char(buffer_ & 0xff));
            buffer_ >>= 8;
            bits_ -= 8;
        }
    }
    QByteArray finish() {
        if (bits_ > 0)
            out_.append(char(buffer_ & 0xff));
        return out_;
    }

private:
    QByteArray out_;
    uint32_t buffer_ = 0;
    int bits_ = 0;
};

void appendWord(QByteArray& out, int value) {
    out.append(char(value & 0xff));
    out.append(char((value >> 8) & 0xff));
}

// Colours are counted on 5 bits per channel so that anti-aliased edges do
// not crowd out the main colours.
QRgb bucketOf(QRgb c) {
    return qRgb(qRed(c) & 0xf8, qGreen(c) & 0xf8, qBlue(c) & 0xf8);
}

QVector<QRgb> choosePalette(const QVector<QImage>& frames) {
    // Per bucket: how many pixels fall in it, and the first exact colour
    // seen there, which becomes the palette entry.
    QHash<QRgb, QPair<int, QRgb>> buckets;
    for (const QImage& frame : frames) {
        for (int y = 0; y < frame.height(); ++y) {
            const QRgb* line = reinterpret_cast<const QRgb*>(frame.constScanLine(y));
            for (int x = 0; x < frame.width(); ++x) {
                if (qAlpha(line[x]) < 128)
                    continue;
                auto& bucket = buckets[bucketOf(line[x])];
                if (bucket.first++ == 0)
                    bucket.second = line[x] | 0xff000000;
            }
        }
    }
    QVector<QPair<int, QRgb>> ranked;
    for (const auto& bucket : buckets)
        ranked.append(bucket);
    std::sort(ranked.begin(), ranked.end(), [](auto& a, auto& b) { return a.first > b.first; });
    QVector<QRgb> palette{qRgb(0, 0, 0)};  // index 0: transparent
    for (int i = 0; i < ranked.size() && palette.size() < 256; ++i)
        palette.append(ranked[i].second);
    while (palette.size() < 256)
        palette.append(qRgb(0, 0, 0));
    return palette;
}

int nearestIndex(const QVector<QRgb>& palette, QRgb c, QHash<QRgb, int>& cache) {
    const QRgb key = c | 0xff000000;
    auto it = cache.find(key);
    if (it != cache.end())
        return *it;
    int best = 1;
    int bestDistance = INT_MAX;
    for (int i = 1; i < palette.size(); ++i) {
        const int dr = qRed(c) - qRed(palette[i]);
        const int dg = qGreen(c) - qGreen(palette[i]);
        const int db = qBlue(c) - qBlue(palette[i]);
        const int distance = dr * dr * 3 + dg * dg * 4 + db * db * 2;
        if (distance < bestDistance) {
            bestDistance = distance;
            best = i;
        }
    }
    cache.insert(key, best);
    return best;
}

void appendSubBlocks(QByteArray& out, const QByteArray& data) {
    for (int pos = 0; pos < data.size(); pos += 255) {
        const int n = std::min<int>(255, data.size() - pos);
        out.append(char(n));
        out.append(data.mid(pos, n));
    }
    out.append(char(0));
}

}  // namespace

QByteArray lzwEncode(const QByteArray& indices, int minCodeSize) {
    const int clearCode = 1 << minCodeSize;
    const int endCode = clearCode + 1;
    BitWriter writer;
    QHash<uint32_t, int> table;  // (prefix code << 8 | byte) -> code
    int nextCode = endCode + 1;
    int width = minCodeSize + 1;
    writer.write(clearCode, width);
    if (indices.isEmpty()) {
        writer.write(endCode, width);
        return writer.finish();
    }
    int prefix = uint8_t(indices[0]);
    for (int i = 1; i < indices.size(); ++i) {
        const uint8_t byte = uint8_t(indices[i]);
        const uint32_t key = (uint32_t(prefix) << 8) | byte;
        auto it = table.find(key);
        if (it != table.end()) {
            prefix = *it;
            continue;
        }
        writer.write(prefix, width);
        if (nextCode < 4096) {
            table.insert(key, nextCode);
            // The decoder's table lags one entry behind: widen once the code
            // just added no longer fits.
            if (nextCode == (1 << width) && width < 12)
                ++width;
            ++nextCode;
        } else {
            writer.write(clearCode, width);
            table.clear();
            nextCode = endCode + 1;
            width = minCodeSize + 1;
        }
        prefix = byte;
    }
    writer.write(prefix, width);
    writer.write(endCode, width);
    return writer.finish();
}

QByteArray encodeAnimatedGif(const QVector<QImage>& source, int delayMs) {
    if (source.isEmpty())
        return {};
    const QSize size = source.first().size();
    QVector<QImage> frames;
    for (const QImage& f : source) {
        if (f.size() != size)
            return {};
        frames.append(f.convertToFormat(QImage::Format_ARGB32));
    }
    const QVector<QRgb> palette = choosePalette(frames);

    QByteArray out("GIF89a");
    appendWord(out, size.width());
    appendWord(out, size.height());
    out.append(char(0xf7));  // global colour table, 8 bits, 256 entries
    out.append(char(0));     // background colour index
    out.append(char(0));     // pixel aspect ratio
    for (QRgb c : palette) {
        out.append(char(qRed(c)));
        out.append(char(qGreen(c)));
        out.append(char(qBlue(c)));
    }
    // Loop forever.
    out.append("\x21\xff\x0bNETSCAPE2.0\x03\x01\x00\x00\x00", 19);

    QHash<QRgb, int> cache;
    for (const QImage& frame : frames) {
        // Graphic control: dispose to background, transparent index 0.
        out.append("\x21\xf9\x04\x09", 4);
        appendWord(out, std::max(1, delayMs / 10));
        out.append(char(0));
        out.append(char(0));
        out.append(char(0x2c));
        appendWord(out, 0);
        appendWord(out, 0);
        appendWord(out, size.width());
        appendWord(out, size.height());
        out.append(char(0));
        QByteArray indices;
        indices.reserve(size.width() * size.height());
        for (int y = 0; y < size.height(); ++y) {
            const QRgb* line = reinterpret_cast<const QRgb*>(frame.constScanLine(y));
            for (int x = 0; x < size.width(); ++x) {
                indices.append(
                    char(qAlpha(line[x]) < 128 ? 0 : nearestIndex(palette, line[x], cache)));
            }
        }
        out.append(char(8));
        appendSubBlocks(out, lzwEncode(indices, 8));
    }
    out.append(char(0x3b));
    return out;
}

}  // namespace skin
