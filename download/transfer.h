// The ways a task's stream reaches the disk, behind one small interface:
// the stream's parts over HTTP (one segmented download each, one after
// another) or one RTMP stream. The task controller owns one transfer for
// one run: from start() until its result or stop().
//
// Threads: every member is called on the owner's thread; the work runs on
// the download worker's thread, whose result reaches the owner's thread as
// a queued emitDownOK.
#pragma once

#include "download/task_failure.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>
#include <string>

class Transfer : public QObject {
    Q_OBJECT
public:
    struct Progress {
        qint64 bytes = 0;     // on disk when the run started plus what this run received
        double percent = -1;  // the transfer's own estimate, -1 to compute it from the size
    };

    // A transfer's destructor ends a running run as stop() does.
    ~Transfer() override = default;

    // Starts the run; it continues from what earlier runs left on disk.
    // False, with failure() saying why, when it could not start.
    virtual bool start() = 0;
    // Whether pause() holds the transfer (an RTMP stream cannot pause).
    virtual bool canPause() const = 0;
    virtual void pause() = 0;
    virtual void resume() = 0;
    // Ends the run promptly and waits for its thread; no emitDownOK
    // follows. What is on disk stays.
    virtual void stop() = 0;
    virtual Progress progress() const = 0;
    // Why the last run failed (emitDownOK with -1, or start() false).
    virtual TaskFailure failure() const = 0;

signals:
    // The run's result: 1 when the stream is on disk, -1 when it failed.
    void emitDownOK(int state);
};

// The parts `urls` into `paths` (same order), one after another, each over
// segfetch's ranged connections. Parts complete on disk are skipped;
// `retryDelayMs` is segfetch's wait before a failed part is tried again (0
// keeps segfetch's own).
std::unique_ptr<Transfer> makeHttpTransfer(const QStringList& urls, const QStringList& paths,
                                           unsigned retryDelayMs);

// The RTMP stream `playPath` of the server `url` into `target`.
std::unique_ptr<Transfer> makeRtmpTransfer(const std::string& url, const std::string& playPath,
                                           const QString& target);

// Bytes of the parts `paths` already on disk: a finished part counts with
// its file, an unfinished one with its segment files.
qint64 bytesOnDisk(const QStringList& paths);

// Whether the part `path` is complete: its file exists and none of its
// segment files does.
bool partFinished(const QString& path);
