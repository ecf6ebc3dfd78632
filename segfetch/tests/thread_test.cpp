#include "segfetch/segfetch.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

// Counts its runs and loops through check points until told to finish.
class LoopingThread : public Thread {
public:
    ~LoopingThread() override { endThread(); }
    void* run(void* arg) override {
        ++runs;
        lastArg = arg;
        while (!finish && checkPoint()) {
            ++laps;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return result;
    }
    // Waits (bounded) until the body has done `count` more laps.
    bool advances(int count = 3) {
        const int from = laps;
        for (int i = 0; i < 5000 && laps < from + count; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return laps >= from + count;
    }
    std::atomic<int> runs{0};
    std::atomic<int> laps{0};
    std::atomic<bool> finish{false};
    std::atomic<void*> lastArg{nullptr};
    void* result = nullptr;
};

TEST(ThreadTest, StartsOnceAndJoinReturnsTheLowBitsOfTheResult) {
    LoopingThread thread;
    EXPECT_EQ(thread.join(), 0u);  // never started
    thread.result = reinterpret_cast<void*>(static_cast<std::uintptr_t>(0x1234567890abcdefULL));
    int first = 1;
    EXPECT_EQ(thread.start(&first), 1);
    EXPECT_EQ(thread.start(nullptr), 1);
    thread.finish = true;
    EXPECT_EQ(thread.join(), 0x90abcdefu);
    EXPECT_EQ(thread.runs, 1);
    EXPECT_EQ(thread.lastArg, &first);

    int second = 2;
    thread.stop();  // nothing to stop after a join
    EXPECT_EQ(thread.start(&second), 1);
    thread.join();
    EXPECT_EQ(thread.runs, 2);
    EXPECT_EQ(thread.lastArg, &second);
}

TEST(ThreadTest, SuspendsWithoutStackingAndStopsAtACheckPoint) {
    LoopingThread thread;
    thread.start(nullptr);
    ASSERT_TRUE(thread.advances());
    thread.suspend();
    thread.suspend();
    thread.suspend();
    thread.resume();
    EXPECT_TRUE(thread.advances());

    thread.suspend();
    thread.stop();  // also ends a held thread
    EXPECT_EQ(thread.join(), 0u);
    EXPECT_EQ(thread.start(nullptr), 1);  // idle again after a stop
    EXPECT_TRUE(thread.advances());
}

TEST(ThreadTest, DetachedThreadIsFinalAndWaitedForAtDestruction) {
    auto thread = std::make_unique<LoopingThread>();
    thread->start(nullptr);
    thread->detach();
    EXPECT_EQ(thread->start(nullptr), 1);
    EXPECT_EQ(thread->join(), 0u);
    EXPECT_TRUE(thread->advances());
    EXPECT_EQ(thread->runs, 1);
    thread->finish = true;
    thread.reset();  // waits for the detached body instead of leaving it running
}

}  // namespace
