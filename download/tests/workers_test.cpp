// The analysis, combining and download workers against loopback servers,
// with media made by ffmpeg.
#include "download/download_plan.h"
#include "download/downloading_analy_thread.h"
#include "download/downloading_down_thread.h"
#include "download/tests/download_fixture.h"
#include "platform/process.h"
#include "segfetch/segfetch.h"
#include "testing/media.h"
#include "testing/queued_signal_spy.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QTest>

#include <atomic>
#include <cmath>

using namespace download_test;
using testing_support::makeClip;
using testing_support::probeValue;
using testing_support::QueuedSignalSpy;
using testing_support::writeFile;

namespace {

struct Analysed {
    int state = 0;
    qint64 length = 0;
    int kind = 0;
    QList<qint64> sizes;
};

class Workers : public HomeTest {
protected:
    Workers() { ensureCoreApp(); }

    // Runs one analysis of `url` and frees its record.
    Analysed analyse(const QString& url, DownloadingAnalyThread& worker) {
        worker.setUrl(url);
        QueuedSignalSpy spy(&worker, &DownloadingAnalyThread::emitAnalysisOK);
        worker.start();
        EXPECT_TRUE(caught(spy, 30000));
        Analysed analysed;
        if (spy.isEmpty())
            return analysed;
        auto* info = spy.at(0).at(0).value<VideoInfo*>();
        analysed.state = spy.at(0).at(1).toInt();
        analysed.sizes = spy.at(0).at(2).value<QList<qint64>>();
        if (info) {
            analysed.length = info->length;
            analysed.kind = info->kind;
        }
        spy.at(0).at(3).value<const ISiteScript*>()->FreeVideoInfo(&info);
        return analysed;
    }

    int combine(const QString& output, const QStringList& parts) {
        DownloadingAnalyThread worker;
        worker.setMergeHandle(CreateSiteScriptHandle());
        QueuedSignalSpy spy(&worker, &DownloadingAnalyThread::emitCombinFinish);
        worker.startCombine(output, parts);
        EXPECT_TRUE(caught(spy, 60000));
        return spy.isEmpty() ? -99 : spy.at(0).at(0).toInt();
    }

    QString file(const std::string& name) const { return qpath(homePath() / name); }

    MediaServer server;
};

TEST_F(Workers, AnalysisRetriesEmptyResultsButNotARefusedLogin) {
    server.serve("/page", "<html></html>");
    server.serve("/empty.flv", "");
    server.start();
    writeScript(homePath(),
                block("/page", {"VAR ORGHTML = GETHTML(ORGURL)",
                                "VAR U = \"" + server.url("/empty.flv") + "\"", "VIDURL = U;"}) +
                    block("/login", {"REQUESTLOGIN(USER, PASS, X)"}));

    DownloadingAnalyThread worker;
    const Analysed empty = analyse(QString::fromStdString(server.url("/page")), worker);
    EXPECT_EQ(server.hits("/page"), DownloadingAnalyThread::kMaxAttempts);
    EXPECT_EQ(empty.state, 0);
    EXPECT_EQ(empty.sizes, QList<qint64>({0}));

    std::atomic<int> loginRequests = 0;
    QObject::connect(
        &worker, &DownloadingAnalyThread::showLoginDlg, &worker,
        [&] {
            ++loginRequests;
            worker.setCredentials("user", "secret");
        },
        Qt::DirectConnection);
    const Analysed refused = analyse(QString::fromStdString(server.url("/login")), worker);
    EXPECT_EQ(refused.state, AnalyseLoginFailed);
    EXPECT_EQ(loginRequests, 1);  // final: not asked again
    EXPECT_TRUE(refused.sizes.isEmpty());
}

TEST_F(Workers, AHeldAnalysisDeliversOnlyAfterReleaseAndAnAbandonedOneNever) {
    writeScript(homePath(), "");  // no block: an empty result, retried
    DownloadingAnalyThread held;
    held.hold();
    QueuedSignalSpy heldSpy(&held, &DownloadingAnalyThread::emitAnalysisOK);
    held.setUrl("http://nowhere.invalid/");
    held.start();
    EXPECT_FALSE(heldSpy.wait(300));
    held.release();
    ASSERT_TRUE(caught(heldSpy, 10000));
    auto* info = heldSpy.at(0).at(0).value<VideoInfo*>();
    CreateSiteScriptHandle()->FreeVideoInfo(&info);

    auto* dropped = new DownloadingAnalyThread;
    QPointer<DownloadingAnalyThread> watch(dropped);
    int delivered = 0;
    QObject::connect(dropped, &DownloadingAnalyThread::emitAnalysisOK,
                     [&](VideoInfo*, int, QList<qint64>, const ISiteScript*) { ++delivered; });
    dropped->hold();
    dropped->setUrl("http://nowhere.invalid/");
    dropped->start();
    dropped->abandon();  // returns at once; the thread ends on its own
    for (int i = 0; i < 200 && watch; ++i)
        QTest::qWait(20);
    EXPECT_TRUE(watch.isNull());
    EXPECT_EQ(delivered, 0);
}

TEST_F(Workers, CombineRenamesOnePartAndJoinsFlvPieces) {
    writeFile(homePath() / "single.mp4", "bytes");
    EXPECT_EQ(combine(file("single.mp4"), {file("single.mp4")}), 0);  // already the output
    EXPECT_EQ(combine(file("renamed.mp4"), {file("single.mp4")}), 0);
    EXPECT_TRUE(QFile::exists(file("renamed.mp4")));
    EXPECT_FALSE(QFile::exists(file("single.mp4")));
    EXPECT_EQ(combine(file("other.mp4"), {file("missing.mp4")}), -1);

    const testing_support::ClipOptions clip = smallClip();
    makeClip(homePath() / "Clip(1).flv", clip);
    makeClip(homePath() / "Clip(2).flv", clip);
    // Stale work files of earlier runs are left alone.
    writeFile(homePath() / "Clip.tmp", "stale");
    writeFile(homePath() / "Clip(1).tmp", "stale");
    EXPECT_EQ(combine(file("Clip.flv"), {file("Clip(1).flv"), file("Clip(2).flv")}), 0);
    EXPECT_NEAR(std::stod(probeValue(homePath() / "Clip.flv", "format=duration")), 2.0, 0.2);
    EXPECT_FALSE(QFile::exists(file("Clip(1).flv")));
    EXPECT_FALSE(QFile::exists(file("Clip(2).tmp")));
    EXPECT_EQ(contentOf(homePath() / "Clip(1).tmp"), "stale");
}

TEST_F(Workers, CombineMuxesMp4VideoWithAudioAndKeepsPiecesOnFailure) {
    testing_support::ClipOptions video = smallClip();
    video.audio = false;
    testing_support::ClipOptions audio = video;
    audio.video = false;
    audio.audio = true;
    makeClip(homePath() / "V(1).mp4", video);
    makeClip(homePath() / "V(2).mp4", audio);
    EXPECT_EQ(combine(file("V.mp4"), {file("V(1).mp4"), file("V(2).mp4")}), 0);
    EXPECT_EQ(probeValue(homePath() / "V.mp4", "stream=codec_type", "a:0"), "audio");
    EXPECT_EQ(probeValue(homePath() / "V.mp4", "stream=codec_type", "v:0"), "video");

    // An F4F first piece is refused; nothing downloaded is lost.
    std::string f4f(140, '\0');
    f4f.replace(4, 4, "abst");
    f4f.replace(47, 4, "asrt");
    f4f.replace(73, 4, "afrt");
    writeFile(homePath() / "F(1).f4f", f4f);
    writeFile(homePath() / "F(2).f4f", f4f);
    EXPECT_EQ(combine(file("F.f4f"), {file("F(1).f4f"), file("F(2).f4f")}), -1);
    EXPECT_TRUE(QFile::exists(file("F(1).f4f")));
    EXPECT_TRUE(QFile::exists(file("F(2).f4f")));
    EXPECT_FALSE(QFile::exists(file("F.f4f")));
}

TEST_F(Workers, DownloadRunsPartsInTurnAndDeleteRemovesTheirFiles) {
    std::vector<std::string> bodies;
    for (int i = 0; i < 3; ++i) {
        bodies.push_back(std::string(200000 + i, char('a' + i)));
        server.serve("/p" + std::to_string(i), bodies.back());
    }
    server.serveSlowly("/slow", std::string(2000000, 's'), 100000);
    server.start();

    QStringList urls, paths;
    for (int i = 0; i < 3; ++i) {
        urls << QString::fromStdString(server.url("/p" + std::to_string(i)));
        paths << file("D(" + std::to_string(i + 1) + ").bin");
    }
    bool allQueued = false;
    QList<DownloadHelper*> helpers = makeHelpers(urls, paths, &allQueued);
    ASSERT_TRUE(allQueued);
    {
        DownloadingDownThread worker;
        QueuedSignalSpy spy(&worker, &DownloadingDownThread::emitDownOK);
        worker.setDownloaders(helpers);
        worker.setTargetPaths(paths);
        worker.start();
        ASSERT_TRUE(caught(spy, 30000));
        worker.waitFinished();
        EXPECT_EQ(spy.size(), 1);
        EXPECT_EQ(spy.at(0).at(0).toInt(), 1);
    }
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(contentOf(homePath() / ("D(" + std::to_string(i + 1) + ").bin")), bodies[i]);
    qDeleteAll(helpers);

    // Delete while downloading: the worker removes the target and its
    // segment files once the stopped part returns.
    helpers =
        makeHelpers({QString::fromStdString(server.url("/slow"))}, {file("S.bin")}, &allQueued);
    DownloadingDownThread worker;
    QueuedSignalSpy spy(&worker, &DownloadingDownThread::emitDownOK);
    worker.setDownloaders(helpers);
    worker.setTargetPaths({file("S.bin")});
    worker.start();
    for (int i = 0; i < 500 && !QFile::exists(file("S.bin_0")); ++i)
        QTest::qWait(20);
    ASSERT_TRUE(QFile::exists(file("S.bin_0")));
    worker.setTargetPathsAndClean({file("S.bin")});
    helpers.first()->stopDownload();
    ASSERT_TRUE(caught(spy, 30000));
    EXPECT_EQ(spy.at(0).at(0).toInt(), -1);
    worker.waitFinished();
    for (int j = 0; j < 5; ++j)
        EXPECT_FALSE(QFile::exists(file("S.bin_" + std::to_string(j))));
    EXPECT_FALSE(QFile::exists(file("S.bin")));
    qDeleteAll(helpers);
}

}  // namespace
