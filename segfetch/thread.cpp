#include "platform/diagnostics.h"
#include "segfetch/segfetch.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <system_error>

struct Thread::Control {
    std::mutex mutex;
    std::condition_variable changed;
    bool suspended = false;
    std::atomic<bool> stopAsked{false};
    bool finished = true;
    std::uintptr_t exitCode = 0;
};

Thread::Thread() : control(std::make_shared<Control>()) {}

Thread::~Thread() {
    endThread();
}

void Thread::endThread() {
    stop();
    std::unique_lock lock(control->mutex);
    if (detachedHandle) {
        requestStopLocked();
        control->changed.wait(lock, [&] { return control->finished; });
        detachedHandle->join();
        detachedHandle.reset();
    }
}

void Thread::entry(Thread* self, std::shared_ptr<Control> control) {
    {
        std::lock_guard lock(control->mutex);
        self->threadId = static_cast<std::uint32_t>(::syscall(SYS_gettid));
    }
    void* result = self->run(self->startArg);
    std::lock_guard lock(control->mutex);
    control->exitCode = reinterpret_cast<std::uintptr_t>(result) & 0xffffffffu;
    control->finished = true;
    control->changed.notify_all();
}

bool Thread::liveLocked() const {
    return started && !joined && handle;
}

// Joins the finished thread (it no longer touches the control block) and
// forgets its handle.
void Thread::reapLocked() {
    if (handle && handle->joinable())
        handle->join();
    handle.reset();
}

void Thread::requestStopLocked() {
    control->stopAsked = true;
    control->suspended = false;
    control->changed.notify_all();
}

int Thread::start(void* arg) {
    std::lock_guard lock(control->mutex);
    if (started)
        return 1;
    startArg = arg;
    control->suspended = false;
    control->stopAsked = false;
    control->finished = false;
    control->exitCode = 0;
    try {
        handle = std::make_unique<std::thread>(&Thread::entry, this, control);
    } catch (const std::system_error&) {
        control->finished = true;
        handle.reset();
        return 0;
    }
    started = true;
    joined = false;
    return 1;
}

std::uintptr_t Thread::join() {
    std::unique_lock lock(control->mutex);
    if (!liveLocked())
        return 0;
    control->changed.wait(lock, [&] { return control->finished || !handle; });
    // A concurrent join() or stop() may have reaped the thread already.
    reapLocked();
    joined = true;
    started = false;
    return control->exitCode;
}

void Thread::detach() {
    std::lock_guard lock(control->mutex);
    if (!liveLocked())
        return;
    detachedHandle = std::move(handle);
}

void Thread::suspend() {
    std::lock_guard lock(control->mutex);
    if (liveLocked())
        control->suspended = true;
}

void Thread::resume() {
    std::lock_guard lock(control->mutex);
    if (!liveLocked())
        return;
    control->suspended = false;
    control->changed.notify_all();
}

void Thread::stop() {
    std::unique_lock lock(control->mutex);
    if (!liveLocked())
        return;
    platform::diag(
        "\n\r-----------------------------------------------------------------------\n\r");
    requestStopLocked();
    if (handle->get_id() == std::this_thread::get_id())
        return;  // the thread itself asked: it ends when it returns from run()
    control->changed.wait(lock, [&] { return control->finished || !handle; });
    reapLocked();
    started = false;
    joined = false;
}

void Thread::sleep(unsigned ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

bool Thread::checkPoint() {
    std::unique_lock lock(control->mutex);
    control->changed.wait(lock, [&] { return !control->suspended || control->stopAsked; });
    return !control->stopAsked;
}

bool Thread::sleepUnlessStopped(unsigned ms) {
    {
        std::unique_lock lock(control->mutex);
        control->changed.wait_for(lock, std::chrono::milliseconds(ms),
                                  [&] { return control->stopAsked.load(); });
    }
    return checkPoint();
}

bool Thread::stopRequested() const {
    return control->stopAsked;
}
