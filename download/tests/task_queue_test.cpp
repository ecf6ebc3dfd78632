// The download queue with the task controllers, headless, against a slow
// loopback server that counts the transfers it serves at once: the limit
// holds and the waiting tasks start in order; a pause, a deleted task and a
// finished one free a slot; a restored paused task stays paused.
#include "download/task_queue.h"

#include "download/task_controller.h"
#include "download/tests/download_fixture.h"
#include "testing/fault_server.h"

#include <QFileInfo>
#include <QSignalSpy>

#include <memory>
#include <vector>

using namespace download_test;
using testing_support::patternBytes;

namespace {

constexpr std::size_t kStreamBytes = 400000;
// Per connection; five connections give a task about 0.4 s per stream.
constexpr std::size_t kBytesPerSecond = 200000;
// About 2 s per stream, for a test that acts while transfers run.
constexpr std::size_t kSlowBytesPerSecond = 40000;

class Queue : public HomeTest {
protected:
    Queue() {
        ensureCoreApp();
        std::filesystem::create_directories(homePath() / "videos");
    }

    // Serves `count` pages, each naming a slow stream of its own, and writes
    // the site script for them.
    void servePages(int count, std::size_t bytesPerSecond = kBytesPerSecond) {
        std::string script;
        for (int i = 0; i < count; ++i) {
            bodies.push_back(patternBytes(kStreamBytes + std::size_t(i) * 1000));
            server.serveSlowly(streamPath(i), bodies.back(), bytesPerSecond);
        }
        server.start();
        for (int i = 0; i < count; ++i)
            script +=
                streamBlock(pagePath(i), "Clip " + std::to_string(i), {server.url(streamPath(i))});
        writeScript(homePath(), script);
    }

    static std::string pagePath(int i) { return "/page-" + std::string(1, char('a' + i)); }
    static std::string streamPath(int i) { return "/stream" + std::to_string(i) + ".bin"; }

    // A task in the queue that takes its first stream into "videos" and
    // notes the order in which tasks begin transferring.
    TaskController* addTask(int index) {
        auto task = std::make_unique<TaskController>();
        task->setRetryDelay(20);
        TaskController* raw = task.get();
        QObject::connect(raw, &TaskController::streamsOffered, raw,
                         [this, raw] { raw->chooseStream(0, qpath(homePath() / "videos")); });
        QObject::connect(raw, &TaskController::stateChanged, raw, [this, index](TaskState state) {
            if (state == Downloading)
                started.push_back(index);
        });
        QObject::connect(raw, &TaskController::finished, raw,
                         [this, index](const QString& path) { outputs[index] = path; });
        queue.add(raw);
        tasks.push_back(std::move(task));
        return raw;
    }

    bool allFinished(int count) const { return int(outputs.size()) == count; }

    // The tasks' states and failures, for a failed expectation's message.
    std::string describe() const {
        std::string text;
        for (const auto& task : tasks)
            text += std::to_string(task->state()) + " " + task->failure().text.toStdString() + "; ";
        return text;
    }

    MediaServer server;
    TaskQueue queue;
    std::vector<std::string> bodies;
    std::vector<std::unique_ptr<TaskController>> tasks;
    std::vector<int> started;
    std::map<int, QString> outputs;
};

TEST_F(Queue, TwoSlotsNeverServeMoreThanTwoStreamsAndTheRestStartInOrder) {
    servePages(5);
    queue.setMaxTasks(2);
    for (int i = 0; i < 5; ++i)
        addTask(i)->startAnalysis(QString::fromStdString(server.url(pagePath(i))));
    // Analyses are not limited: all five offer their stream; three wait.
    ASSERT_TRUE(waitFor([&] {
        return std::count_if(tasks.begin(), tasks.end(),
                             [](const auto& t) { return t->isQueued(); }) == 3;
    }));
    ASSERT_TRUE(waitFor([&] { return allFinished(5); }, 60000)) << describe();

    EXPECT_EQ(server.peakPathsInTransfer(), 2);  // the limit held, and was used
    ASSERT_EQ(started.size(), 5u);
    // The first two start as their analyses end; the waiting ones in list order.
    EXPECT_TRUE(std::is_sorted(started.begin() + 2, started.end()));
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(contentOf(outputs[i].toStdString()), bodies[std::size_t(i)]) << i;
}

TEST_F(Queue, APauseOrADeletedTaskLetsTheNextStartAndResumedTasksKeepTheListOrder) {
    servePages(3, kSlowBytesPerSecond);
    queue.setMaxTasks(1);
    TaskController* first = addTask(0);
    first->startAnalysis(QString::fromStdString(server.url(pagePath(0))));
    ASSERT_TRUE(waitFor([&] { return first->state() == Downloading; }));
    TaskController* second = addTask(1);
    second->startAnalysis(QString::fromStdString(server.url(pagePath(1))));
    TaskController* third = addTask(2);
    third->startAnalysis(QString::fromStdString(server.url(pagePath(2))));
    ASSERT_TRUE(waitFor([&] { return second->isQueued() && third->isQueued(); }));

    first->pause();  // the slot goes to the next in order
    ASSERT_TRUE(waitFor([&] { return second->state() == Downloading; }));
    EXPECT_TRUE(third->isQueued());
    first->resume();  // back into the queue, at its place in the list
    EXPECT_TRUE(first->isQueued());

    // Deleting the running task gives its slot to the first in the list.
    queue.remove(second);
    second->discard();
    std::erase_if(tasks, [&](const auto& t) { return t.get() == second; });
    ASSERT_TRUE(waitFor([&] { return first->state() == Downloading; }));
    EXPECT_TRUE(third->isQueued());
    ASSERT_TRUE(waitFor([&] { return outputs.count(2) == 1; }, 60000)) << describe();

    EXPECT_EQ(server.peakPathsInTransfer(), 1);
    EXPECT_EQ(started, (std::vector<int>{0, 1, 0, 2}));
    EXPECT_EQ(contentOf(outputs[0].toStdString()), bodies[0]);  // resumed from its parts
    EXPECT_EQ(contentOf(outputs[2].toStdString()), bodies[2]);
}

TEST_F(Queue, ARestoredPausedTaskStaysPausedAndAPausedQueuedTaskLeavesTheQueue) {
    servePages(2);
    queue.setMaxTasks(1);
    StoredTask stored{QString::fromStdString(server.url(pagePath(0))),
                      {QString::fromStdString(server.url(streamPath(0)))},
                      {qpath(homePath() / "videos" / "Clip 0.bin")},
                      0,
                      qint64(bodies[0].size())};
    TaskController* restored = addTask(0);
    restored->restoreTask(stored);
    TaskController* fresh = addTask(1);
    fresh->startAnalysis(QString::fromStdString(server.url(pagePath(1))));
    ASSERT_TRUE(waitFor([&] { return outputs.count(1) == 1; }, 60000));
    EXPECT_EQ(restored->state(), DownloadPaused);  // free slots do not start it
    EXPECT_EQ(server.hits(streamPath(0)), 0);

    // A queued task paused by the user stays out of the queue.
    restored->resume();
    ASSERT_TRUE(waitFor([&] { return restored->state() == Downloading; }));
    TaskController* other = addTask(1);
    other->restoreTask({QString::fromStdString(server.url(pagePath(1))),
                        {QString::fromStdString(server.url(streamPath(1)))},
                        {qpath(homePath() / "videos" / "Other.bin")},
                        0,
                        qint64(bodies[1].size())});
    other->resume();
    EXPECT_TRUE(other->isQueued());
    other->pause();
    EXPECT_EQ(other->state(), DownloadPaused);
    ASSERT_TRUE(waitFor([&] { return outputs.count(0) == 1; }, 60000));
    waitEvents(100);  // the queue has looked at its tasks again
    EXPECT_EQ(other->state(), DownloadPaused);
    EXPECT_FALSE(QFileInfo::exists(qpath(homePath() / "videos" / "Other.bin")));
}

}  // namespace
