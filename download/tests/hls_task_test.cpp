// An HLS page on the task's road: the playlist's variants offered as
// streams, the chosen one fetched and remuxed into one MP4, and a task
// stopped halfway restored from the task list and finished from the
// segments on disk. Real HLS made by ffmpeg, served on loopback.
#include "download/hls_task.h"
#include "download/task_controller.h"
#include "download/task_list_file.h"
#include "download/tests/download_fixture.h"
#include "hls/hls.h"
#include "hls/tests/hls_media.h"
#include "hls/tests/hls_server.h"

#include <QSignalSpy>

#include <memory>

using namespace download_test;

namespace {

namespace fs = std::filesystem;

class HlsRoad : public HomeTest {
protected:
    HlsRoad() {
        ensureCoreApp();
        fs::create_directories(homePath() / "videos");
    }

    // A page whose script names the video "Show" and points at `file` of
    // the HLS sample `kind`.
    QString pageFor(const std::string& kind, const std::string& file) {
        hls_test::sample(kind);
        writeScript(homePath(),
                    streamBlock("/show", "Show", {server.url("/" + kind + "/" + file)}));
        return "http://127.0.0.1:1/show";
    }

    // Answers the offer as the command line does, keeping what was offered.
    std::unique_ptr<TaskController> newTask() {
        auto task = std::make_unique<TaskController>();
        QObject::connect(task.get(), &TaskController::streamsOffered, task.get(),
                         [this, raw = task.get()] {
                             offered = raw->streams();
                             raw->chooseStream(preselectedRow(offered), videos());
                         });
        return task;
    }

    QString videos() const { return qpath(homePath() / "videos"); }

    hls_test::HlsServer server{hls_test::samplesRoot()};
    QList<StreamChoice> offered;
};

TEST_F(HlsRoad, TheMastersVariantsAreOfferedAndTheBestBecomesOneMp4WithItsAudio) {
    auto task = newTask();
    QSignalSpy finished(task.get(), &TaskController::finished);
    task->startAnalysis(pageFor("master", "master.m3u8"));
    ASSERT_TRUE(caught(finished, 60000)) << task->failure().text.toStdString();

    ASSERT_EQ(offered.size(), 2);
    EXPECT_TRUE(offered.at(0).name.startsWith("Show (320x240"));
    EXPECT_TRUE(offered.at(1).name.startsWith("Show (160x120"));
    EXPECT_TRUE(offered.at(0).checked);  // the higher bandwidth
    EXPECT_FALSE(offered.at(1).checked);
    for (const StreamChoice& choice : offered) {
        EXPECT_EQ(choice.format, "mp4");
        EXPECT_GT(choice.size, 0);  // bandwidth x duration
    }
    const QString file = finished.at(0).at(0).toString();
    EXPECT_EQ(file, videos() + "/Show.mp4");
    hls_test::expectPlayable(file.toStdString(), hls_test::kSampleSeconds, 320, 240);
    EXPECT_FALSE(fs::exists(hls::workFolderFor(file.toStdString())));
    EXPECT_GT(server.requestsOf("/master/v2.m3u8"), 0);  // the audio rendition
    EXPECT_EQ(server.requestsOf("/master/v1.m3u8"), 0);  // the variant not chosen
}

TEST_F(HlsRoad, AStoppedTaskIsRestoredFromTheListAndFetchesOnlyTheMissingSegments) {
    const QString url = pageFor("ts", "index.m3u8");
    server.hold({"/ts/seg002.ts", "/ts/seg003.ts"});
    StoredTask stored;
    QString target;
    {
        auto first = newTask();
        first->startAnalysis(url);
        ASSERT_TRUE(waitFor([&] { return first->state() == Downloading; }, 30000));
        target = first->record().filePath;
        const fs::path work = hls::workFolderFor(target.toStdString());
        ASSERT_TRUE(waitFor([&] {
            return fs::exists(work / "video/000000.seg") && fs::exists(work / "video/000001.seg");
        }));
        first->shutdown();
        stored = first->storedTask();
    }
    server.release();
    ASSERT_EQ(offered.size(), 1);  // a media playlist: one stream
    EXPECT_EQ(stored.hlsVariant, -1);
    EXPECT_EQ(stored.partPaths, QStringList({target}));
    EXPECT_FALSE(QFile::exists(target));

    // Through the task list file, as a restart reads it.
    TaskListFile list(qpath(homePath() / "downloadtasklist.xml"));
    ASSERT_TRUE(list.appendTaskItem(stored.url));
    ASSERT_TRUE(list.saveTaskProgress(stored));
    const auto loaded = list.loadTaskList();
    ASSERT_TRUE(loaded && loaded->size() == 1);
    EXPECT_EQ(loaded->first().hlsVariant, -1);
    EXPECT_EQ(loaded->first().downloadUrls, stored.downloadUrls);

    server.clearLog();
    auto second = newTask();
    second->restoreTask(loaded->first());
    ASSERT_EQ(second->state(), DownloadPaused);
    QSignalSpy finished(second.get(), &TaskController::finished);
    second->resume();
    ASSERT_TRUE(caught(finished, 60000)) << second->failure().text.toStdString();
    EXPECT_EQ(finished.at(0).at(0).toString(), target);
    hls_test::expectPlayable(target.toStdString(), hls_test::kSampleSeconds);
    EXPECT_EQ(server.requestsOf("/ts/seg000.ts"), 0);
    EXPECT_EQ(server.requestsOf("/ts/seg001.ts"), 0);
    EXPECT_EQ(server.requestsOf("/ts/seg002.ts"), 1);
}

TEST_F(HlsRoad, ALivePlaylistFailsTheAnalysisWithItsReasonAndAFailedRemuxKeepsTheSegments) {
    // Live: no EXT-X-ENDLIST.
    server.serveText("/live/index.m3u8", "#EXTM3U\n#EXT-X-TARGETDURATION:1\n#EXTINF:1,\nseg.ts\n");
    writeScript(homePath(), streamBlock("/live", "Live", {server.url("/live/index.m3u8")}));
    auto live = newTask();
    QSignalSpy failed(live.get(), &TaskController::failed);
    live->startAnalysis("http://127.0.0.1:1/live");
    ASSERT_TRUE(caught(failed, 30000));
    EXPECT_TRUE(live->failure().text.contains("live")) << live->failure().text.toStdString();
    EXPECT_TRUE(offered.isEmpty());  // no stream dialog
    EXPECT_TRUE(live->record().canReanalyse);

    // A remux into a folder that cannot be written fails; the segments stay
    // and Refresh only remuxes.
    auto task = newTask();
    QSignalSpy transferFailed(task.get(), &TaskController::failed);
    QSignalSpy finished(task.get(), &TaskController::finished);
    const QString page = pageFor("ts", "index.m3u8");
    server.hold({"/ts/seg003.ts"});
    task->startAnalysis(page);
    ASSERT_TRUE(waitFor([&] { return task->state() == Downloading; }, 30000));
    const fs::path output = task->record().filePath.toStdString();
    // The output's name is taken by a folder: the rename at the end fails.
    fs::create_directories(output / "in-the-way");
    server.release();
    ASSERT_TRUE(caught(transferFailed, 60000));
    EXPECT_EQ(task->failure().stage, TaskFailure::Combine);
    EXPECT_TRUE(fs::exists(hls::workFolderFor(output) / "video/000003.seg"));
    EXPECT_TRUE(task->record().canRestart);
    fs::remove_all(output);
    server.clearLog();
    task->refresh();
    ASSERT_TRUE(caught(finished, 60000)) << task->failure().text.toStdString();
    hls_test::expectPlayable(output, hls_test::kSampleSeconds);
    EXPECT_EQ(server.requestsOf("/ts/seg000.ts"), 0);
}

}  // namespace
