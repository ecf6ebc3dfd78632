// A native-thread wrapper with cooperative control.
//
// A subclass overrides run(); start() runs it on a new thread. The thread
// is never killed: suspend(), resume() and stop() set a gate and a stop
// flag that the thread's own code passes at its check points
// (checkPoint(), sleepUnlessStopped()), so that whatever the thread holds
// (files, connections, memory, locks) is released by the thread itself.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

class Thread {
public:
    Thread();
    // Calls endThread(). A subclass whose run() uses the subclass's own
    // members must call endThread() in its own destructor: by the time this
    // destructor runs, those members are gone.
    virtual ~Thread();
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;

    // The thread's body, called with the argument given to start(). Its
    // result, truncated to 32 bits, is what join() returns.
    virtual void* run(void* arg) = 0;

    // Creates the thread unless one was started and not yet joined or
    // stopped. Returns 1 when a thread is (now or already) started, 0 when
    // creation failed. Owner's thread.
    int start(void* arg);
    // Waits without time limit for the thread to end and returns the low
    // 32 bits of run()'s result; 0 at once when no thread is live. A joined
    // object can be started again. Several threads may wait at once; the
    // thread itself must not.
    std::uintptr_t join();
    // Gives up control of the thread: it runs on, and join(), suspend(),
    // resume() and stop() no longer reach it. Detached is final.
    void detach();
    // Holds the thread at its next check point. Suspensions do not stack:
    // one resume() lets it go on however often suspend() was called.
    void suspend();
    void resume();
    // Asks the thread to end at its next check point (also releasing a
    // suspended one) and waits until it has ended. Called from any thread
    // but the object's own. Afterwards the object is idle and can be
    // started again.
    void stop();
    // Blocks the calling thread for `ms` milliseconds.
    static void sleep(unsigned ms);

protected:
    // Stops the thread (see stop()) and waits for it, also for a detached
    // one. Safe to call more than once.
    void endThread();
    // Check point for run(): waits while the thread is suspended; returns
    // false once a stop was asked for.
    bool checkPoint();
    // Waits `ms` milliseconds, or less when a stop is asked for, then
    // passes checkPoint(). Returns false when a stop was asked for.
    bool sleepUnlessStopped(unsigned ms);
    // True once stop() or the destructor asked the thread to end.
    bool stopRequested() const;

private:
    struct Control;
    static void entry(Thread* self, std::shared_ptr<Control> control);
    bool liveLocked() const;
    void reapLocked();
    void requestStopLocked();

    // Owned by the object; null when there is no live thread.
    std::unique_ptr<std::thread> handle;
    bool started = false;  // a thread was created and not yet joined or stopped
    bool joined = false;   // the last thread was joined
    void* startArg = nullptr;
    std::uint32_t threadId = 0;  // the system's id of the thread (0 before the first start)
    std::unique_ptr<std::thread> detachedHandle;  // a detached thread, waited for at destruction
    std::shared_ptr<Control> control;
};
