// What the lists show of a media file (duration, size, container, picture
// size, thumbnail), read through the media engine off the GUI thread so
// that a long list opens at once and fills in as the answers arrive.
#pragma once

#include <QHash>
#include <QImage>
#include <QMutex>
#include <QObject>
#include <QString>
#include <QThreadPool>

struct MediaFacts {
    bool isMedia = false;  // false: the engine cannot read the file as media
    QString duration;      // "mm:ss", or "hh:mm:ss" from one hour on
    QString size;          // whole mebibytes, "%1MB"
    QString format;        // the engine's container name
    QString resolution;    // "%1*%2"; empty without video
    QImage thumbnail;      // a frame at a third of the duration, scaled down; null without video
};

// The thumbnail box the rows show; frames are scaled into it.
inline constexpr QSize kThumbnailSize(111, 79);

// "hh:mm:ss" when the hours are non-zero, else "mm:ss".
QString formatDuration(qint64 microseconds);

// Probes `path` at once, on the calling thread (any thread).
MediaFacts probeMediaFile(const QString& path);

// Probes files one after another on a thread of its own and reports each
// result on the thread that owns the prober. Destroying the prober drops
// the probes not begun and waits for the one running.
class MediaProber : public QObject {
    Q_OBJECT
public:
    explicit MediaProber(QObject* parent = nullptr);
    ~MediaProber() override;

    void probe(const QString& path);
    // Withdraws one request for `path` not begun yet (a row scrolled out of
    // view before its turn); nothing when every request has begun.
    void forget(const QString& path);
    // Waits until every requested probe has been made (tests, quitting).
    void waitForIdle();

signals:
    void probed(QString path, MediaFacts facts);

private:
    // Takes one request for `path` when one is still wanted.
    bool takeRequest(const QString& path);

    QThreadPool m_pool;
    QMutex m_mutex;
    QHash<QString, int> m_wanted;  // requests not begun, by path
};
