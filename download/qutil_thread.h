// The native-thread base of the download workers: run() on a thread of its
// own, and a wait that keeps the caller's Qt event loop running, so that a
// worker waiting on the GUI (the login dialog) can finish while the GUI
// waits for it.
#pragma once

#include <atomic>
#include <thread>

class QUtilThread {
public:
    QUtilThread() = default;
    // Waits for a running thread (see waitFinished). A subclass whose run()
    // uses its own members must call waitFinished() in its destructor.
    virtual ~QUtilThread();
    QUtilThread(const QUtilThread&) = delete;
    QUtilThread& operator=(const QUtilThread&) = delete;

    // Waits for a previous run of this object, then runs run() on a new
    // thread. Always true. Owner's thread.
    bool start();
    // Waits until run() has returned. On the thread of a running Qt event
    // loop it dispatches events meanwhile, unless `dispatchEvents` is false
    // (for waits while the application is going). Always true. Owner's
    // thread.
    bool waitFinished(bool dispatchEvents = true);
    // True while run() executes (set by start(), cleared when run returns).
    bool isActive() const { return m_active.load(); }

protected:
    virtual void run() = 0;

private:
    std::thread m_thread;
    std::atomic<bool> m_active{false};
};
