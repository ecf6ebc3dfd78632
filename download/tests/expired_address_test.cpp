// A task whose stream address expires halfway: the page is analysed again
// once, and the task continues from its part files under the new address
// when the stream is the same; else it fails and keeps them. Against a
// loopback site whose addresses expire after a byte budget.
#include "download/task_controller.h"
#include "download/tests/download_fixture.h"
#include "download/transfer.h"
#include "testing/fault_server.h"

#include <QSignalSpy>

#include <memory>

using namespace download_test;
using testing_support::patternBytes;

namespace {

constexpr std::int64_t kLength = 1000000;
constexpr std::int64_t kFortyPercent = kLength * 4 / 10;

class ExpiredAddress : public HomeTest {
protected:
    ExpiredAddress() : body(patternBytes(std::size_t(kLength))), site(body) { ensureCoreApp(); }

    void startSite() {
        site.start();
        writeScript(homePath(), site.scriptBlock("Clip"));
    }

    // A task that answers the stream offer with the first stream into the
    // test's "videos" folder, and counts the offers.
    std::unique_ptr<TaskController> newTask() {
        auto task = std::make_unique<TaskController>();
        task->setRetryDelay(20);
        QObject::connect(task.get(), &TaskController::streamsOffered, task.get(),
                         [this, raw = task.get()] {
                             ++offers;
                             raw->chooseStream(0, qpath(homePath() / "videos"));
                         });
        return task;
    }

    QString address(int n) const { return QString::fromStdString(site.addressUrl(n)); }

    // The file is complete and every byte of it crossed the wire once.
    void expectFetchedOnce(const QString& file) {
        EXPECT_EQ(contentOf(file.toStdString()), body);
        EXPECT_EQ(site.bytesSentTwice(), 0);
        EXPECT_EQ(site.bytesNeverSent(), 0);
    }

    std::string body;
    ExpiringStream site;
    int offers = 0;
};

TEST_F(ExpiredAddress, TheTaskContinuesFromItsPartsUnderTheNewAddress) {
    site.setBudget(0, kFortyPercent);
    startSite();
    auto task = newTask();
    QStringList saved;  // the addresses each save of the task list would write
    QObject::connect(task.get(), &TaskController::progressWorthSaving, task.get(),
                     [&] { saved = task->storedTask().downloadUrls; });
    QSignalSpy finished(task.get(), &TaskController::finished);
    QSignalSpy failed(task.get(), &TaskController::failed);
    task->startAnalysis(QString::fromStdString(site.pageUrl()));
    ASSERT_TRUE(caught(finished, 60000)) << task->failure().text.toStdString();

    expectFetchedOnce(finished.at(0).at(0).toString());
    EXPECT_EQ(site.bytesSent(0), kFortyPercent);
    EXPECT_EQ(site.bytesSent(1), kLength - kFortyPercent);
    EXPECT_EQ(site.pageRequests(), 2);
    EXPECT_EQ(offers, 1);  // the second analysis asks nothing
    EXPECT_TRUE(failed.isEmpty());
    EXPECT_EQ(task->record().downloadUrls, QStringList{address(1)});
    EXPECT_EQ(saved, QStringList{address(1)});
}

TEST_F(ExpiredAddress, AStreamOfAnotherLengthFailsAndKeepsTheParts) {
    site.setBudget(0, kFortyPercent);
    site.setContent(1, patternBytes(std::size_t(kLength) + 1000));
    startSite();
    auto task = newTask();
    QSignalSpy failed(task.get(), &TaskController::failed);
    task->startAnalysis(QString::fromStdString(site.pageUrl()));
    ASSERT_TRUE(caught(failed, 60000));

    const TaskFailure& failure = task->failure();
    EXPECT_EQ(failure.httpStatus, 403);
    EXPECT_TRUE(failure.text.contains("expired")) << failure.text.toStdString();
    EXPECT_TRUE(failure.text.contains(QString::number(kLength + 1000)))
        << failure.text.toStdString();
    EXPECT_EQ(bytesOnDisk(task->record().partPaths), kFortyPercent);
    EXPECT_EQ(site.bytesSent(1), 0);  // nothing of the other file was fetched
    EXPECT_EQ(task->record().downloadUrls, QStringList{address(0)});
    EXPECT_EQ(site.pageRequests(), 2);
    EXPECT_TRUE(task->record().canReanalyse);  // Refresh starts over with the new file
}

// The second address expires at its first ranged request: the task fails
// after one more analysis, and Refresh looks once more and continues.
TEST_F(ExpiredAddress, ANewAddressThatExpiresTooFailsOnceAndRefreshContinues) {
    site.setBudget(0, kFortyPercent);
    site.setBudget(1, 0);
    startSite();
    auto task = newTask();
    QSignalSpy failed(task.get(), &TaskController::failed);
    QSignalSpy finished(task.get(), &TaskController::finished);
    task->startAnalysis(QString::fromStdString(site.pageUrl()));
    ASSERT_TRUE(caught(failed, 60000));
    EXPECT_EQ(site.pageRequests(), 2);
    EXPECT_EQ(task->failure().httpStatus, 403);
    EXPECT_TRUE(task->failure().text.contains("expired")) << task->failure().text.toStdString();
    EXPECT_EQ(bytesOnDisk(task->record().partPaths), kFortyPercent);
    EXPECT_TRUE(task->record().canRestart);

    task->refresh();
    ASSERT_TRUE(caught(finished, 60000)) << task->failure().text.toStdString();
    expectFetchedOnce(finished.at(0).at(0).toString());
    EXPECT_EQ(site.pageRequests(), 3);
    EXPECT_EQ(failed.size(), 1);
    EXPECT_EQ(offers, 1);
}

// A restored task resumes with an address that expired while the program
// was closed: the length probe is refused before any part is touched.
TEST_F(ExpiredAddress, ARestoredTaskWhoseAddressExpiredContinuesUnderANewOne) {
    site.setBudget(0, kFortyPercent);
    site.setBudget(1, 0);
    startSite();
    StoredTask stored;
    {
        auto first = newTask();
        QSignalSpy failed(first.get(), &TaskController::failed);
        first->startAnalysis(QString::fromStdString(site.pageUrl()));
        ASSERT_TRUE(caught(failed, 60000));
        stored = first->storedTask();
    }
    ASSERT_EQ(stored.downloadUrls, QStringList{address(1)});

    auto second = newTask();
    second->restoreTask(stored);
    QSignalSpy finished(second.get(), &TaskController::finished);
    second->resume();
    ASSERT_TRUE(caught(finished, 60000)) << second->failure().text.toStdString();
    expectFetchedOnce(finished.at(0).at(0).toString());
    EXPECT_EQ(site.pageRequests(), 3);
    EXPECT_EQ(second->record().downloadUrls, QStringList{address(2)});
}

}  // namespace
