// Media work the player does away from the GUI thread: reading a play-list
// row's facts and thumbnail, and grabbing a snapshot's frame, through the
// media engine's probe. The results come back to the GUI thread as plain
// values.
#pragma once

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QSize>
#include <QString>
#include <QThreadPool>

#include <functional>

// What a probe tells about one file.
struct MediaSummary {
    bool opened = false;
    qint64 durationUs = 0;
    QString formatName;
    QSize videoSize;
    qint64 videoBitRate = 0;
    QImage thumbnail;  // null without video
};

namespace mediajobs {

// Probes `path`: its facts and, with `thumbnail`, the frame at a tenth of
// its duration (at 0 when it cannot seek). Any thread.
MediaSummary probe(const QString& path, bool thumbnail);

// The frame nearest to `timeUs` as a 32-bit image of the video size, null
// when none comes back. `flag` is the engine's purpose flag (1 list
// thumbnail, 0 snapshot). Any thread.
QImage frameAt(const QString& path, qint64 timeUs, int flag);

// A copy of the engine's in-memory BMP (54-byte header, then 32-bit pixels
// top row first; the length at byte 34) as an image of `size`.
QImage imageFromBmp(const unsigned char* bmp, const QSize& size);

}  // namespace mediajobs

// Runs jobs on threads of its own and hands each result to a receiver on
// the GUI thread, unless the receiver is gone by then. Destroying the
// runner waits for the jobs still running, so that no thread outlives the
// window that started it.
class MediaJobRunner : public QObject {
public:
    explicit MediaJobRunner(QObject* parent = nullptr);
    ~MediaJobRunner() override;

    template <typename Result>
    void run(QObject* receiver, std::function<Result()> work,
             std::function<void(const Result&)> done) {
        QPointer<QObject> target(receiver);
        m_pool.start([this, target, work = std::move(work), done = std::move(done)] {
            Result result = work();
            // The receiver is looked at on the GUI thread only, where it is
            // deleted; the runner outlives every job, and a call posted to
            // it while it is being destroyed is dropped with it.
            QMetaObject::invokeMethod(
                this,
                [target, done, result] {
                    if (target)
                        done(result);
                },
                Qt::QueuedConnection);
        });
    }

    // Waits until every job has ended (tests, and the destructor).
    void waitForDone() { m_pool.waitForDone(); }

private:
    QThreadPool m_pool;
};
