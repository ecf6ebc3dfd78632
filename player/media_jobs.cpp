#include "player/media_jobs.h"

#include <cstring>

#include "kestrel/kestrel.h"

namespace mediajobs {

namespace {

constexpr int kBmpHeaderSize = 54;
constexpr int kBmpLengthOffset = 34;

// One engine probe, released however the caller leaves.
class OpenProbe {
public:
    explicit OpenProbe(const QString& path) : m_handle(Info_Create(3)) {
        m_open = m_handle && Info_Open(m_handle, path.toUtf8().constData());
    }
    ~OpenProbe() {
        if (m_handle) {
            Info_Close(m_handle);
            Info_Release(m_handle);
        }
    }
    OpenProbe(const OpenProbe&) = delete;
    OpenProbe& operator=(const OpenProbe&) = delete;

    bool isOpen() const { return m_open; }
    kestrel_handle handle() const { return m_handle; }
    QSize videoSize() const {
        return QSize(Info_GetVideoWidth(m_handle), Info_GetVideoHeight(m_handle));
    }
    QImage frame(qint64 timeUs, int flag) const {
        const QSize size = videoSize();
        if (size.isEmpty())
            return {};
        return imageFromBmp(Info_GetVideoImage(m_handle, timeUs, flag, 0, 0), size);
    }

private:
    kestrel_handle m_handle;
    bool m_open = false;
};

}  // namespace

QImage imageFromBmp(const unsigned char* bmp, const QSize& size) {
    if (!bmp || size.isEmpty())
        return {};
    quint32 length = 0;
    std::memcpy(&length, bmp + kBmpLengthOffset, sizeof length);
    const qint64 expected = qint64(size.width()) * size.height() * 4;
    if (length < expected)
        return {};
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        std::memcpy(image.scanLine(y), bmp + kBmpHeaderSize + qint64(y) * size.width() * 4,
                    size_t(size.width()) * 4);
    return image;
}

MediaSummary probe(const QString& path, bool thumbnail) {
    MediaSummary summary;
    OpenProbe probe(path);
    if (!probe.isOpen())
        return summary;
    const kestrel_handle h = probe.handle();
    summary.opened = true;
    summary.durationUs = Info_GetDuration(h);
    if (const char* name = Info_GetFormatName(h))
        summary.formatName = QString::fromUtf8(name);
    summary.videoSize = probe.videoSize();
    summary.videoBitRate = Info_GetVideoBitRate(h);
    if (thumbnail) {
        const qint64 at = Info_CanSeek(h) ? summary.durationUs / 10 : 0;
        summary.thumbnail = probe.frame(at, 1);
    }
    return summary;
}

QImage frameAt(const QString& path, qint64 timeUs, int flag) {
    OpenProbe probe(path);
    return probe.isOpen() ? probe.frame(timeUs, flag) : QImage();
}

}  // namespace mediajobs

MediaJobRunner::MediaJobRunner(QObject* parent) : QObject(parent) {
    m_pool.setMaxThreadCount(2);
}

MediaJobRunner::~MediaJobRunner() {
    m_pool.waitForDone();
}
