// The task controller headless, against loopback servers and media made by
// ffmpeg: the road from the page to the combined file, pause and resume,
// Refresh after failures, discard, a held start, the login request, and a
// restored task resuming from its part files.
#include "download/task_controller.h"
#include "download/tests/download_fixture.h"
#include "download/transfer.h"
#include "testing/fault_server.h"
#include "testing/media.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>

#include <memory>

using namespace download_test;
using testing_support::makeClip;
using testing_support::patternBytes;
using testing_support::probeValue;

namespace {

// Threads of this process now.
int threadCount() {
    return int(QDir("/proc/self/task").entryList(QDir::Dirs | QDir::NoDotAndDotDot).size());
}

class Controller : public HomeTest {
protected:
    Controller() {
        ensureCoreApp();
        std::filesystem::create_directories(homePath() / "videos");
    }

    // Makes `task` answer its stream offer as the command line does: the
    // first stream, into the test's "videos" folder.
    void chooseFirstStream(TaskController& task) {
        QObject::connect(&task, &TaskController::streamsOffered, &task, [this, &task] {
            ++offers;
            task.chooseStream(0, videos());
        });
    }

    std::unique_ptr<TaskController> newTask(bool answerOffers = true) {
        auto task = std::make_unique<TaskController>();
        task->setRetryDelay(20);
        if (answerOffers)
            chooseFirstStream(*task);
        return task;
    }

    QString videos() const { return qpath(homePath() / "videos"); }
    QString video(const std::string& name) const { return qpath(homePath() / "videos" / name); }
    std::string page(const std::string& key) const { return server.url(key); }
    qint64 onDisk(const TaskController& task) const { return bytesOnDisk(task.record().partPaths); }

    // Analyses `url` with the start held, so that the server and the
    // analysis have made their threads, and returns how many threads the
    // process has then; the transfer starts afterwards.
    int threadsBeforeTheTransfer(TaskController& task, const std::string& url) {
        task.setStartHeld(true);
        task.startAnalysis(QString::fromStdString(url));
        EXPECT_TRUE(waitFor([&] { return task.state() == Waiting; }));
        waitEvents(100);  // the analysis thread returns from its last call
        const int threads = threadCount();
        task.setStartHeld(false);
        return threads;
    }

    MediaServer server;
    int offers = 0;
};

TEST_F(Controller, RoadFromThePageToTheCombinedFileNumbersATakenName) {
    makeClip(homePath() / "p.flv", smallClip());
    for (const char* part : {"/p1.flv", "/p2.flv", "/p3.flv"})
        server.serveFile(part, homePath() / "p.flv");
    server.start();
    writeScript(homePath(),
                streamBlock("/parts", "Clip",
                            {server.url("/p1.flv"), server.url("/p2.flv"), server.url("/p3.flv")}));
    testing_support::writeFile(homePath() / "videos" / "Clip.flv", "kept");
    auto task = newTask();
    QSignalSpy finished(task.get(), &TaskController::finished);
    task->startAnalysis(QString::fromStdString(page("/parts")));
    EXPECT_EQ(task->state(), Analyzing);
    ASSERT_TRUE(caught(finished, 60000));

    // Clip.flv is taken, so the output is planned as Clip(1).flv, and the
    // parts take Clip(1) to Clip(3). At the combine the title gets the next
    // free number, not a number after the taken one's.
    const QString file = finished.at(0).at(0).toString();
    EXPECT_EQ(file, video("Clip(4).flv"));
    EXPECT_EQ(task->record().displayName, "Clip(4).flv");
    EXPECT_NEAR(std::stod(probeValue(file.toStdString(), "format=duration")), 3.0, 0.3);
    EXPECT_EQ(contentOf(homePath() / "videos" / "Clip.flv"), "kept");
    for (const char* part : {"Clip(1).flv", "Clip(2).flv", "Clip(3).flv"})
        EXPECT_FALSE(QFile::exists(video(part))) << part;
    EXPECT_EQ(offers, 1);
    // The last report sums the three parts.
    EXPECT_EQ(task->progress().bytes,
              3 * std::int64_t(std::filesystem::file_size(homePath() / "p.flv")));
}

TEST_F(Controller, PauseHoldsTheBytesAndResumeFinishesTheSameFile) {
    const std::string body = patternBytes(1000000);
    server.serveSlowly("/slow.bin", body, 100000);
    server.start();
    writeScript(homePath(), streamBlock("/page", "Slow", {server.url("/slow.bin")}));
    auto task = newTask();
    QSignalSpy finished(task.get(), &TaskController::finished);
    task->startAnalysis(QString::fromStdString(page("/page")));
    ASSERT_TRUE(waitFor([&] { return onDisk(*task) >= 100000; }));

    task->pause();
    EXPECT_EQ(task->state(), DownloadPaused);
    waitEvents(300);  // writes already under way land
    const qint64 held = onDisk(*task);
    waitEvents(700);
    EXPECT_EQ(onDisk(*task), held);
    EXPECT_LT(held, qint64(body.size()));
    EXPECT_TRUE(finished.isEmpty());

    task->resume();
    EXPECT_EQ(task->state(), Downloading);
    ASSERT_TRUE(caught(finished, 60000));
    EXPECT_EQ(contentOf(finished.at(0).at(0).toString().toStdString()), body);
}

TEST_F(Controller, RefreshAfterAFailedTransferRestartsItWithoutAnalysingAgain) {
    const std::string body = patternBytes(300000);
    server.serve("/r.bin", body);
    server.start();
    writeScript(homePath(), streamBlock("/page", "Retry", {server.url("/r.bin")}));
    auto task = newTask(false);
    // The stream goes missing between the analysis and the download.
    QObject::connect(task.get(), &TaskController::streamsOffered, task.get(),
                     [&] { server.setMissing("/r.bin", true); });
    chooseFirstStream(*task);
    QSignalSpy failed(task.get(), &TaskController::failed);
    QSignalSpy finished(task.get(), &TaskController::finished);
    task->startAnalysis(QString::fromStdString(page("/page")));
    ASSERT_TRUE(caught(failed, 30000));
    EXPECT_EQ(task->state(), Failed);
    EXPECT_EQ(task->failure().stage, TaskFailure::Transfer);
    EXPECT_EQ(task->failure().httpStatus, 404);  // segfetch's reason reaches the task
    EXPECT_TRUE(task->failure().text.contains("404")) << task->failure().text.toStdString();
    EXPECT_TRUE(task->record().canRestart);
    EXPECT_FALSE(task->record().canReanalyse);

    server.setMissing("/r.bin", false);
    task->refresh();
    EXPECT_EQ(task->state(), Downloading);
    ASSERT_TRUE(caught(finished, 30000));
    EXPECT_EQ(contentOf(finished.at(0).at(0).toString().toStdString()), body);
    EXPECT_EQ(offers, 1);  // no second analysis
}

TEST_F(Controller, RefreshAfterAFailedCombineKeepsThePartsAndCombinesAgain) {
    server.serve("/g1.flv", patternBytes(20000));  // not media that ffmpeg can join
    server.serve("/g2.flv", patternBytes(30000));
    server.start();
    writeScript(homePath(),
                streamBlock("/broken", "Broken", {server.url("/g1.flv"), server.url("/g2.flv")}));
    auto task = newTask();
    QSignalSpy failed(task.get(), &TaskController::failed);
    QSignalSpy finished(task.get(), &TaskController::finished);
    task->startAnalysis(QString::fromStdString(page("/broken")));
    ASSERT_TRUE(caught(failed, 60000));
    EXPECT_EQ(task->failure().stage, TaskFailure::Combine);
    ASSERT_EQ(task->record().partPaths,
              QStringList({video("Broken(1).flv"), video("Broken(2).flv")}));
    for (const QString& part : task->record().partPaths)
        ASSERT_TRUE(QFile::exists(part));
    const int fetched = server.hits("/g1.flv") + server.hits("/g2.flv");

    // Parts that can be joined now: Refresh finds them complete and only
    // combines.
    for (const QString& part : task->record().partPaths)
        makeClip(part.toStdString(), smallClip());
    task->refresh();
    ASSERT_TRUE(caught(finished, 60000));
    const QString file = finished.at(0).at(0).toString();
    EXPECT_EQ(file, video("Broken.flv"));
    EXPECT_NEAR(std::stod(probeValue(file.toStdString(), "format=duration")), 2.0, 0.2);
    EXPECT_EQ(server.hits("/g1.flv") + server.hits("/g2.flv"), fetched);
}

TEST_F(Controller, DiscardStopsTheTransferAndRemovesEveryFile) {
    server.serveSlowly("/slow.bin", patternBytes(1000000), 20000);  // 10 s
    server.start();
    writeScript(homePath(), streamBlock("/page", "Gone", {server.url("/slow.bin")}));
    auto task = newTask();
    QSignalSpy finished(task.get(), &TaskController::finished);
    QSignalSpy failed(task.get(), &TaskController::failed);
    const int threads = threadsBeforeTheTransfer(*task, page("/page"));
    ASSERT_TRUE(waitFor([&] { return onDisk(*task) > 0; }));
    const QString target = task->record().filePath;
    EXPECT_GT(threadCount(), threads);
    // What a join that a crash interrupted leaves beside the target.
    testing_support::writeFile((target + ".joining").toStdString(), "part 0");

    task->discard();
    // The transfer's threads are gone once discard returns: nothing is left
    // and nothing comes back.
    for (int j = 0; j < 5; ++j)
        EXPECT_FALSE(QFile::exists(target + QString("_%1").arg(j)));
    EXPECT_FALSE(QFile::exists(target));
    EXPECT_FALSE(QFile::exists(target + ".joining"));
    waitEvents(300);
    EXPECT_TRUE(QDir(videos()).isEmpty());
    EXPECT_TRUE(finished.isEmpty());
    EXPECT_TRUE(failed.isEmpty());
    EXPECT_TRUE(waitFor([&] { return threadCount() <= threads; }, 3000));
}

TEST_F(Controller, ADeletedControllerLeavesNoThreadBehind) {
    server.serveSlowly("/slow.bin", patternBytes(1000000), 20000);  // 10 s
    server.start();
    writeScript(homePath(), streamBlock("/page", "Dropped", {server.url("/slow.bin")}));
    auto task = newTask();
    const int threads = threadsBeforeTheTransfer(*task, page("/page"));
    ASSERT_TRUE(waitFor([&] { return onDisk(*task) > 0; }));
    EXPECT_GT(threadCount(), threads);
    const QStringList parts = task->record().partPaths;
    task.reset();
    EXPECT_TRUE(waitFor([&] { return threadCount() <= threads; }, 3000));
    EXPECT_GT(bytesOnDisk(parts), 0);  // the part files stay for a later resume
}

TEST_F(Controller, AHeldStartWaitsWithoutRequestsUntilReleased) {
    const std::string body = patternBytes(200000);
    server.serve("/w.bin", body);
    server.start();
    writeScript(homePath(), streamBlock("/page", "Queued", {server.url("/w.bin")}));
    auto task = newTask();
    task->setStartHeld(true);
    QSignalSpy finished(task.get(), &TaskController::finished);
    task->startAnalysis(QString::fromStdString(page("/page")));
    ASSERT_TRUE(waitFor([&] { return task->state() == Waiting && offers == 1; }));
    const int afterAnalysis = server.hits("/w.bin");
    waitEvents(200);
    EXPECT_EQ(server.hits("/w.bin"), afterAnalysis);
    EXPECT_TRUE(QDir(videos()).isEmpty());

    task->setStartHeld(false);
    EXPECT_EQ(task->state(), Downloading);
    ASSERT_TRUE(caught(finished, 30000));
    EXPECT_EQ(contentOf(finished.at(0).at(0).toString().toStdString()), body);
}

TEST_F(Controller, TheCredentialsGivenAtTheLoginRequestReachTheSite) {
    server.serve("/v.bin", patternBytes(1000));
    std::mutex mutex;
    std::vector<std::string> logins;
    server.server().Get("/login", [&](const httplib::Request& req, httplib::Response& res) {
        std::lock_guard lock(mutex);
        logins.push_back(req.get_param_value("user") + ":" + req.get_param_value("pass"));
        res.set_content("welcome", "text/plain");
    });
    server.start();
    writeScript(homePath(),
                block("/secure", {"REQUESTLOGIN(USER, PASS, UNUSED)",
                                  "VAR U = \"" + server.url("/v.bin") + "\"", "VIDURL = U;"}) +
                    block("youtubelogin", {"VAR BASE = \"" + server.url("/login?user=") + "\"",
                                           "VAR AND = \"&pass=\"", "VAR L = ADDSTR(BASE, USER)",
                                           "VAR L = ADDSTR(L, AND)", "VAR L = ADDSTR(L, PASS)",
                                           "VAR ANSWER = GETHTML(L)"}));
    auto task = newTask();
    task->setCredentials("preset", "x");
    int requests = 0;
    QObject::connect(task.get(), &TaskController::loginRequested, task.get(), [&] {
        ++requests;
        task->setCredentials("alice", "secret");
    });
    QSignalSpy finished(task.get(), &TaskController::finished);
    task->startAnalysis(QString::fromStdString(page("/secure")));
    ASSERT_TRUE(caught(finished, 30000));
    EXPECT_EQ(requests, 1);
    std::lock_guard lock(mutex);
    EXPECT_EQ(logins, std::vector<std::string>({"alice:secret"}));
}

TEST_F(Controller, ARestoredTaskResumesFromItsPartFiles) {
    const std::string body = patternBytes(2000000);
    server.serveSlowly("/long.bin", body, 100000);
    server.start();
    writeScript(homePath(), streamBlock("/page", "Long", {server.url("/long.bin")}));
    StoredTask stored;
    {
        auto first = newTask();
        first->startAnalysis(QString::fromStdString(page("/page")));
        ASSERT_TRUE(waitFor([&] { return onDisk(*first) >= 300000; }));
        first->shutdown();
        stored = first->storedTask();
    }
    const std::int64_t firstRun = server.bytesSent("/long.bin");
    ASSERT_EQ(stored.partPaths.size(), 1);
    EXPECT_FALSE(QFile::exists(stored.partPaths.first()));  // only its segment files

    auto second = newTask();
    second->restoreTask(stored);
    EXPECT_EQ(second->state(), DownloadPaused);
    EXPECT_EQ(second->progress().style, TaskProgress::Restored);
    EXPECT_EQ(second->record().filePath, stored.partPaths.first());
    QSignalSpy finished(second.get(), &TaskController::finished);
    second->resume();
    ASSERT_TRUE(caught(finished, 60000));
    EXPECT_EQ(finished.at(0).at(0).toString(), stored.partPaths.first());
    EXPECT_EQ(contentOf(stored.partPaths.first().toStdString()), body);
    // The second run fetched only what the first had not.
    EXPECT_LT(server.bytesSent("/long.bin") - firstRun, std::int64_t(body.size()));
    EXPECT_EQ(offers, 1);  // the first task's; the restored one analyses nothing
}

}  // namespace
