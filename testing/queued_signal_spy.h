// A signal spy for signals that worker threads emit. QSignalSpy records on
// the emitting thread (it connects directly), so a test that reads it while
// a worker may still emit races with that worker. This spy receives each
// signal through a queued connection, on the thread that made the spy, and
// is only ever touched there. Header-only, for tests that link Qt Core.
#pragma once

#include <QCoreApplication>
#include <QEventLoop>
#include <QList>
#include <QObject>
#include <QTimer>
#include <QVariant>

#include <type_traits>

namespace testing_support {

class QueuedSignalSpy : public QObject, public QList<QList<QVariant>> {
public:
    template <typename Sender, typename SignalOwner, typename... Args>
    QueuedSignalSpy(const Sender* sender, void (SignalOwner::*signal)(Args...)) {
        QObject::connect(
            sender, signal, this,
            [this](Args... args) {
                append(QList<QVariant>{QVariant::fromValue(std::decay_t<Args>(args))...});
                if (loop_)
                    loop_->quit();
            },
            Qt::QueuedConnection);
    }

    // Runs the event loop until a new signal arrives or `timeoutMs` pass;
    // true when one arrived.
    bool wait(int timeoutMs = 5000) {
        const qsizetype before = size();
        QEventLoop loop;
        QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
        loop_ = &loop;
        loop.exec();
        loop_ = nullptr;
        return size() > before;
    }

private:
    QEventLoop* loop_ = nullptr;
};

}  // namespace testing_support
