#include "segfetch/segfetch.h"

#include "platform/text.h"
#include "testing/fault_server.h"
#include "testing/temp_dir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <future>
#include <thread>

using testing_support::FaultServer;
using testing_support::readFile;
using testing_support::TempDir;

namespace {

namespace fs = std::filesystem;

void countFinish(void* calls) {
    ++*static_cast<std::atomic<int>*>(calls);
}

std::u16string wide(const fs::path& path) {
    return platform::utf8ToUtf16(path.string());
}

std::int64_t bytesOf(const DownloadHelper& helper) {
    const auto* counter = helper.downloaded.load();
    return counter ? counter->load() : -1;
}

// Waits, bounded, until `condition` holds.
template <typename Condition>
bool eventually(Condition condition) {
    for (int i = 0; i < 10000 && !condition(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return condition();
}

std::uintmax_t partBytes(const fs::path& target) {
    std::uintmax_t total = 0;
    for (int i = 0; i < 5; ++i) {
        const fs::path part = target.string() + "_" + std::to_string(i);
        if (fs::exists(part))
            total += fs::file_size(part);
    }
    return total;
}

class DownloadHelperTest : public ::testing::Test {
protected:
    void SetUp() override {
        helper.setOnFinish(&countFinish, &finishCalls);
        helper.setRetryDelay(0);
        server.trickleBytes = 100;
    }
    FaultServer server{100000};
    TempDir dir;
    fs::path target = dir / "clip.mp4";
    std::atomic<int> finishCalls{0};
    DownloadHelper helper;
};

TEST_F(DownloadHelperTest, QueueRefusesDuplicatesAndOneRunTakesTheHeadOnly) {
    const fs::path second = dir / "second.mp4";
    EXPECT_TRUE(helper.addDownloadTask(server.url("/file").c_str(), wide(target).c_str()));
    EXPECT_FALSE(helper.addDownloadTask(server.url("/file").c_str(), wide(second).c_str()));
    EXPECT_TRUE(helper.addDownloadTask(server.url("/norange").c_str(), wide(second).c_str()));
    EXPECT_EQ(helper.queuedTasks(), 2u);

    EXPECT_EQ(bytesOf(helper), -1);  // nothing published before a run
    EXPECT_TRUE(helper.startDownload());
    helper.join();
    EXPECT_EQ(readFile(target), server.body());
    EXPECT_FALSE(fs::exists(second));
    EXPECT_EQ(helper.queuedTasks(), 1u);
    EXPECT_EQ(helper.totalSize, 100000);
    EXPECT_EQ(bytesOf(helper), 100000);
    EXPECT_EQ(finishCalls, 1);
}

TEST_F(DownloadHelperTest, EmptyQueueAndFailedRunsStillFinish) {
    helper.startDownload();
    helper.join();
    EXPECT_EQ(finishCalls, 1);
    EXPECT_EQ(helper.totalSize, 1);
    EXPECT_EQ(helper.downloaded.load(), nullptr);

    EXPECT_EQ(helper.lastResult().outcome, FetchOutcome::NotRun);

    // An older file under the target's name proves nothing.
    testing_support::writeFile(target, "older");
    helper.addDownloadTask(server.url("/missing").c_str(), wide(target).c_str());
    helper.startDownload();
    helper.join();
    EXPECT_EQ(finishCalls, 2);
    EXPECT_EQ(helper.queuedTasks(), 1u);  // a failed task stays for the next run
    EXPECT_EQ(readFile(target), "older");
    EXPECT_EQ(helper.lastResult().outcome, FetchOutcome::HttpError);
    EXPECT_EQ(helper.lastResult().reason, "HTTP 404 Not Found");
}

// The wait before a failed run reports is for what may recover: a missing
// file reports at once, a connection refused waits until the stop.
TEST_F(DownloadHelperTest, OnlyAFailureThatMayRecoverWaitsBeforeItReports) {
    helper.setRetryDelay(3600 * 1000);
    auto runEnds = [this] {
        helper.startDownload();
        return std::async(std::launch::async, [this] { helper.join(); });
    };
    helper.addDownloadTask(server.url("/missing").c_str(), wide(target).c_str());
    auto missing = runEnds();
    const bool reported = missing.wait_for(std::chrono::seconds(60)) == std::future_status::ready;
    EXPECT_TRUE(reported) << "a 404 waited for the retry delay";
    if (!reported)
        helper.stopDownload();
    missing.wait();
    EXPECT_EQ(helper.lastResult().httpStatus, 404);
    EXPECT_EQ(finishCalls, 1);

    DownloadHelper unreachable;
    unreachable.setRetryDelay(3600 * 1000);
    unreachable.addDownloadTask("http://127.0.0.1:1/clip.mp4", wide(dir / "other.mp4").c_str());
    unreachable.startDownload();
    auto waiting = std::async(std::launch::async, [&] { unreachable.join(); });
    EXPECT_EQ(waiting.wait_for(std::chrono::seconds(1)), std::future_status::timeout);
    unreachable.stopDownload();
    ASSERT_EQ(waiting.wait_for(std::chrono::seconds(60)), std::future_status::ready);
    EXPECT_EQ(unreachable.lastResult().outcome, FetchOutcome::NetworkError);
}

TEST_F(DownloadHelperTest, StopKeepsThePartsAndNeverCompletesAgain) {
    helper.addDownloadTask(server.url("/trickle").c_str(), wide(target).c_str());
    helper.startDownload();
    ASSERT_TRUE(eventually([&] { return bytesOf(helper) == 500; }));
    EXPECT_FALSE(helper.stopDownload());
    EXPECT_EQ(finishCalls, 0);
    EXPECT_EQ(helper.lastResult().outcome, FetchOutcome::Stopped);
    EXPECT_TRUE(helper.lastResult().partsKept);
    EXPECT_FALSE(fs::exists(target));
    EXPECT_EQ(partBytes(target), 500u);

    server.gate.open();
    helper.startDownload();
    helper.join();
    EXPECT_FALSE(fs::exists(target));
    EXPECT_EQ(partBytes(target), 500u);

    DownloadHelper next;  // a new object resumes from the parts
    next.addDownloadTask(server.url("/trickle").c_str(), wide(target).c_str());
    next.startDownload();
    next.join();
    EXPECT_EQ(readFile(target), server.body());
    EXPECT_EQ(bytesOf(next), 100000 - 500);
    EXPECT_EQ(partBytes(target), 0u);
}

TEST_F(DownloadHelperTest, PauseHoldsEveryConnectionUntilResume) {
    helper.addDownloadTask(server.url("/trickle").c_str(), wide(target).c_str());
    helper.startDownload();
    ASSERT_TRUE(eventually([&] { return bytesOf(helper) == 500; }));
    helper.Suspend();
    helper.Suspend();
    server.gate.open();
    // Held connections close at their next check point and fetch nothing more.
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    EXPECT_EQ(bytesOf(helper), 500);
    EXPECT_FALSE(fs::exists(target));

    helper.Resume();
    helper.join();
    EXPECT_EQ(readFile(target), server.body());
    EXPECT_EQ(finishCalls, 1);
}

TEST_F(DownloadHelperTest, DestroyingARunningDownloadWaitsForItsThreads) {
    auto running = std::make_unique<DownloadHelper>();
    running->addDownloadTask(server.url("/trickle").c_str(), wide(target).c_str());
    running->startDownload();
    ASSERT_TRUE(eventually([&] { return bytesOf(*running) == 500; }));
    running->Suspend();
    running.reset();
    EXPECT_FALSE(fs::exists(target));
    EXPECT_EQ(partBytes(target), 500u);
}

}  // namespace
