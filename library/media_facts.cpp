#include "library/media_facts.h"

#include <QFileInfo>

#include <cstring>

#include "kestrel/kestrel.h"

namespace {

constexpr int kBmpHeaderSize = 54;
constexpr int kBmpLengthOffset = 34;

// The engine's in-memory BMP frame as an image: the pixel length at bytes
// 34-37, the pixels (blue, green, red, 255) from byte 54.
QImage imageFromBmp(const unsigned char* bmp, int width, int height) {
    quint32 length = 0;
    std::memcpy(&length, bmp + kBmpLengthOffset, sizeof length);
    if (width <= 0 || height <= 0 || qint64(length) < qint64(width) * height * 4)
        return {};
    const QImage view(bmp + kBmpHeaderSize, width, height, width * 4, QImage::Format_RGB32);
    return view.scaled(kThumbnailSize, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

QImage grabThumbnail(kestrel_handle probe) {
    const int width = Info_GetVideoWidth(probe);
    const int height = Info_GetVideoHeight(probe);
    if (width <= 0 || height <= 0)
        return {};
    const qint64 at = Info_CanSeek(probe) ? Info_GetDuration(probe) / 3 : 0;
    const unsigned char* bmp = Info_GetVideoImage(probe, at, 1, 0, 0);
    return bmp ? imageFromBmp(bmp, width, height) : QImage();
}

}  // namespace

QString formatDuration(qint64 microseconds) {
    const qint64 seconds = microseconds / 1000000;
    const qint64 hours = seconds / 3600;
    const QString minutesSeconds = QString("%1:%2")
                                       .arg(seconds / 60 % 60, 2, 10, QChar('0'))
                                       .arg(seconds % 60, 2, 10, QChar('0'));
    return hours ? QString("%1:").arg(hours, 2, 10, QChar('0')) + minutesSeconds : minutesSeconds;
}

MediaFacts probeMediaFile(const QString& path) {
    MediaFacts facts;
    facts.size = QString("%1MB").arg(QFileInfo(path).size() >> 20);
    const kestrel_handle probe = Info_Create(-1);
    if (!probe)
        return facts;
    if (Info_Open(probe, path.toUtf8().constData())) {
        facts.isMedia = true;
        facts.duration = formatDuration(Info_GetDuration(probe));
        facts.format = QString::fromUtf8(Info_GetFormatName(probe));
        if (Info_GetVideoWidth(probe) > 0)
            facts.resolution =
                QString("%1*%2").arg(Info_GetVideoWidth(probe)).arg(Info_GetVideoHeight(probe));
        facts.thumbnail = grabThumbnail(probe);
        Info_Close(probe);
    }
    Info_Release(probe);
    return facts;
}

MediaProber::MediaProber(QObject* parent) : QObject(parent) {
    // One probe at a time: the machine stays responsive while a list of
    // hundreds of files fills in.
    m_pool.setMaxThreadCount(1);
}

MediaProber::~MediaProber() {
    m_pool.clear();
    m_pool.waitForDone();
}

void MediaProber::probe(const QString& path) {
    {
        QMutexLocker lock(&m_mutex);
        ++m_wanted[path];
    }
    m_pool.start([this, path] {
        if (!takeRequest(path))
            return;
        MediaFacts facts = probeMediaFile(path);
        // Delivered on the prober's thread; dropped if the prober is gone
        // by then (its destructor waits for this task first).
        QMetaObject::invokeMethod(
            this, [this, path, facts = std::move(facts)] { emit probed(path, facts); },
            Qt::QueuedConnection);
    });
}

bool MediaProber::takeRequest(const QString& path) {
    QMutexLocker lock(&m_mutex);
    const auto wanted = m_wanted.find(path);
    if (wanted == m_wanted.end())
        return false;
    if (--*wanted == 0)
        m_wanted.erase(wanted);
    return true;
}

void MediaProber::forget(const QString& path) {
    QMutexLocker lock(&m_mutex);
    const auto wanted = m_wanted.find(path);
    if (wanted != m_wanted.end() && --*wanted == 0)
        m_wanted.erase(wanted);
}

void MediaProber::waitForIdle() {
    m_pool.waitForDone();
}
