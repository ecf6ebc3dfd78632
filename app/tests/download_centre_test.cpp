// The download centre end to end on the offscreen platform: the real page
// container, a page on loopback whose script yields the stream, the paste
// button, the stream dialog, the row's download and combine, and the file
// handed on complete.
#include "app/main_select_widget.h"
#include "core/preferences_store.h"
#include "download/down_centre_widget.h"
#include "download/download_head_widget.h"
#include "download/downloading_widget.h"
#include "download/paste_url_widget.h"
#include "download/tests/download_fixture.h"
#include "download/video_progress_bar.h"
#include "download/video_resource_dialog.h"
#include "hls/hls.h"
#include "hls/tests/hls_media.h"
#include "hls/tests/hls_server.h"
#include "library/downloaded_widget.h"
#include "library/media_bar.h"
#include "testing/fault_server.h"
#include "testing/gui_test.h"
#include "testing/media.h"
#include "testing/nginx_fixture.h"
#include "widgets/image_button.h"
#include "widgets/image_dialog.h"
#include "widgets/message_dialog.h"
#include "widgets/notice_popup.h"

#include <QClipboard>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <cmath>
#include <fstream>
#include <memory>

using namespace download_test;
using testing_support::makeClip;
using testing_support::patternBytes;
using testing_support::probeValue;

namespace {

class DownloadCentre : public GuiTest {
protected:
    DownloadCentre() {
        home.linkBuiltSkin();
        PreferencesStore::instance().resetToFallbacks();
        PreferencesStore::instance().user.downloadPath = qpath(home / "videos");
        PreferencesStore::instance().user.showDeleteAgain = false;
        // Answers every modal dialog: the stream dialog with its first row,
        // message boxes with their first button.
        QObject::connect(&m_answerer, &QTimer::timeout, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            if (auto* streams = qobject_cast<VideoResourceDialog*>(modal)) {
                // Asking for the first row's check box ticks it, as painting does.
                QAbstractItemModel* model = streams->m_tableView->model();
                model->data(model->index(0, 0), Qt::CheckStateRole);
                streams->OnBtnDown();
            } else if (auto* login = qobject_cast<LoginYouTuBeDialog*>(modal)) {
                ++logins;
                login->m_lineEditName->setText("alice");
                login->m_lineEditPassword->setText("secret");
                login->m_btnOK->click();
            } else if (auto* message = qobject_cast<QMessageDlg*>(modal)) {
                messages << message->title();
                message->firstButton()->click();
            }
        });
        m_answerer.start(20);
    }

    void openCentre() {
        m_centre = std::make_unique<MainSelectWidget>();
        m_centre->resize(835, 500);
        m_centre->show();
    }
    DownloadingWidget* list() const { return m_centre->downloadingList(); }

    void paste(const std::string& url) {
        QGuiApplication::clipboard()->setText(QString::fromStdString(url));
        m_centre->head()->m_btnPasteUrl->click();
    }

    // Waits for the list to hand a finished file on; its path.
    QString finishedFile(QSignalSpy& spy, int timeoutMs = 60000) {
        if (spy.isEmpty() && !spy.wait(timeoutMs))
            return {};
        return spy.takeFirst().at(0).toString();
    }

    testing_support::ScratchAppDir home;
    MediaServer server;
    QStringList messages;
    int logins = 0;
    std::unique_ptr<MainSelectWidget> m_centre;

private:
    QTimer m_answerer;
};

double duration(const QString& file) {
    return std::stod(probeValue(file.toStdString(), "format=duration"));
}

TEST_F(DownloadCentre, PastedPagesDownloadOneStreamPartsAndVideoWithAudio) {
    makeClip(home / "one.flv", smallClip());
    makeClip(home / "p.flv", smallClip());
    testing_support::ClipOptions video = smallClip();
    video.audio = false;
    testing_support::ClipOptions audio = smallClip();
    audio.video = false;
    makeClip(home / "v.mp4", video);
    makeClip(home / "a.mp4", audio);
    server.serveFile("/one.flv", home / "one.flv");
    server.serveFile("/p1.flv", home / "p.flv");
    server.serveFile("/p2.flv", home / "p.flv");
    server.serveFile("/p3.flv", home / "p.flv");
    server.serveFile("/v.mp4", home / "v.mp4");
    server.serveFile("/a.mp4", home / "a.mp4");
    server.start();
    writeScript(
        home.path(),
        streamBlock("/single", "Single", {server.url("/one.flv")}) +
            streamBlock("/parts", "Parts",
                        {server.url("/p1.flv"), server.url("/p2.flv"), server.url("/p3.flv")}) +
            streamBlock("/muxed", "Muxed", {server.url("/v.mp4"), server.url("/a.mp4")}));
    openCentre();
    QSignalSpy finished(list(), &DownloadingWidget::emitOkBarInfo);
    QSignalSpy counts(list(), &DownloadingWidget::emitDowningCount);

    paste(server.url("/single"));
    EXPECT_EQ(m_centre->currentList(), static_cast<QWidget*>(list()));
    QString file = finishedFile(finished);
    EXPECT_EQ(file, qpath(home / "videos" / "Single.flv"));
    EXPECT_NEAR(duration(file), 1.0, 0.2);
    EXPECT_TRUE(list()->items().isEmpty());
    EXPECT_EQ(counts.last().at(0).toInt(), 0);
    EXPECT_EQ(m_centre->currentList(), static_cast<QWidget*>(m_centre->pastePanel()));

    paste(server.url("/parts"));
    file = finishedFile(finished);
    EXPECT_EQ(file, qpath(home / "videos" / "Parts.flv"));
    EXPECT_NEAR(duration(file), 3.0, 0.3);
    EXPECT_FALSE(QFile::exists(qpath(home / "videos" / "Parts(1).flv")));

    paste(server.url("/muxed"));
    file = finishedFile(finished);
    EXPECT_EQ(file, qpath(home / "videos" / "Muxed.mp4"));
    EXPECT_EQ(probeValue(file.toStdString(), "stream=codec_type", "a:0"), "audio");
    EXPECT_EQ(probeValue(file.toStdString(), "stream=codec_type", "v:0"), "video");
    // Every finished task left the task list.
    EXPECT_EQ(contentOf(list()->taskList().path().toStdString()).find("<item"), std::string::npos);
}

TEST_F(DownloadCentre, AFinishedDownloadIsListedInDownloadedAcrossARestart) {
    makeClip(home / "one.flv", smallClip());
    server.serveFile("/one.flv", home / "one.flv");
    server.start();
    writeScript(home.path(), streamBlock("/single", "Single", {server.url("/one.flv")}));
    openCentre();
    QSignalSpy finished(list(), &DownloadingWidget::emitOkBarInfo);
    paste(server.url("/single"));
    const QString file = finishedFile(finished);
    ASSERT_FALSE(file.isEmpty());
    DownloadedWidget* downloaded = m_centre->downloadedList();
    ASSERT_EQ(downloaded->items().size(), 1);
    EXPECT_EQ(downloaded->row(0)->filePath(), file);
    EXPECT_EQ(downloaded->row(0)->url(), QString::fromStdString(server.url("/single")));
    EXPECT_EQ(m_centre->head()->tabCount("Downloaded"), 1);

    // Files dropped on the centre join the same list, a listed one only once.
    makeClip(home / "dropped.mp4", smallClip());
    emit m_centre->findChild<DownCentreWidget*>()->emitDragFiles(
        {qpath(home / "dropped.mp4"), file});
    EXPECT_EQ(downloaded->items().size(), 2);
    EXPECT_EQ(m_centre->head()->tabCount("Downloaded"), 2);

    m_centre.reset();
    openCentre();
    ASSERT_EQ(m_centre->downloadedList()->items().size(), 2);
    EXPECT_EQ(m_centre->downloadedList()->row(0)->filePath(), file);
    EXPECT_EQ(m_centre->head()->tabCount("Downloaded"), 2);
}

TEST_F(DownloadCentre, QuittingWhileAConversionRunsAsksThenStopsItAndRemovesItsOutput) {
    testing_support::ClipOptions longClip = smallClip();
    longClip.seconds = 20;
    makeClip(home / "long.mp4", longClip);
    PreferencesStore::instance().user.convertPath = qpath(home / "converted");
    openCentre();
    DownloadedWidget* downloaded = m_centre->downloadedList();
    downloaded->addNewItemBar(qpath(home / "long.mp4"));
    ASSERT_TRUE(downloaded->row(0)->startConversion("mkv"));
    const QString output = downloaded->row(0)->job()->outputPath();
    ASSERT_TRUE(m_centre->prepareQuit());  // the question is answered "Yes"
    EXPECT_TRUE(messages.contains("warning"));
    EXPECT_FALSE(downloaded->row(0)->job()->isActive());
    EXPECT_FALSE(QFile::exists(output));
}

// Server bytes for `path` once they have stopped growing for half a second
// (what was already in flight when the transfer stopped has landed).
std::int64_t settledBytes(const MediaServer& server, const std::string& path) {
    std::int64_t last = -1;
    for (int round = 0; round < 40 && server.bytesSent(path) != last; ++round) {
        last = server.bytesSent(path);
        QTest::qWait(500);
    }
    return last;
}

TEST_F(DownloadCentre, PauseResumeDeleteAndARestartThatResumes) {
    // No byte repeats within a segment, so a misplaced piece shows.
    const std::string body = patternBytes(400000);
    server.serveSlowly("/slow.flv", body, 20000);
    server.start();
    writeScript(home.path(), streamBlock("/page", "Slow", {server.url("/slow.flv")}) +
                                 streamBlock("/other", "Gone", {server.url("/slow.flv")}));
    openCentre();
    QSignalSpy finished(list(), &DownloadingWidget::emitOkBarInfo);

    paste(server.url("/page"));
    paste(server.url("/page"));  // refused with a notice
    EXPECT_TRUE(messages.contains("Downloader"));
    ASSERT_EQ(list()->items().size(), 1);
    VideoProgressBar* row = list()->items().first();
    ASSERT_TRUE(waitFor([&] { return row->m_state == Downloading; }));
    const QString target = row->m_filePath;  // the extension follows the sniffed format
    ASSERT_TRUE(waitFor([&] { return QFile::exists(target + "_0"); }));
    // The download's start is in the task list at once.
    auto stored = list()->taskList().loadTaskList();
    ASSERT_TRUE(stored && stored->size() == 1);
    EXPECT_EQ(stored->first().partPaths, QStringList({target}));
    ASSERT_TRUE(waitFor([&] { return server.bytesSent("/slow.flv") > 0; }));
    row->OnBtnPause();
    EXPECT_EQ(row->m_state, DownloadPaused);
    EXPECT_TRUE(row->m_btnStart->isVisible());
    // Paused, the server sends nothing more.
    const std::int64_t paused = settledBytes(server, "/slow.flv");
    QTest::qWait(700);
    EXPECT_EQ(server.bytesSent("/slow.flv"), paused);
    EXPECT_LT(paused, std::int64_t(body.size()));
    row->OnBtnStart();
    EXPECT_EQ(row->m_state, Downloading);
    ASSERT_TRUE(waitFor([&] { return server.bytesSent("/slow.flv") > paused; }));

    // A second task, deleted by its close button: its part files go.
    paste(server.url("/other"));
    ASSERT_EQ(list()->items().size(), 2);
    VideoProgressBar* other = list()->items().at(1);
    ASSERT_TRUE(waitFor([&] { return other->m_state == Downloading; }));
    const QString otherTarget = other->m_filePath;
    ASSERT_TRUE(waitFor([&] { return QFile::exists(otherTarget + "_0"); }));
    other->OnBtnDelete();
    EXPECT_EQ(list()->items().size(), 1);
    for (int j = 0; j < 5; ++j)
        EXPECT_FALSE(QFile::exists(otherTarget + QString("_%1").arg(j)));

    // Quit in the middle, start again: the task comes back paused and
    // completes from its part files.
    ASSERT_TRUE(list()->prepareExit());
    m_centre.reset();
    EXPECT_FALSE(QFile::exists(target));
    std::int64_t kept = 0;
    for (int j = 0; j < 5; ++j)
        kept += QFileInfo(target + QString("_%1").arg(j)).size();
    ASSERT_GT(kept, 0);
    const std::int64_t firstRun = settledBytes(server, "/slow.flv");
    openCentre();
    ASSERT_EQ(list()->items().size(), 1);
    row = list()->items().first();
    EXPECT_EQ(row->m_state, DownloadPaused);
    QSignalSpy restartedFinish(list(), &DownloadingWidget::emitOkBarInfo);
    row->OnBtnStart();
    EXPECT_EQ(finishedFile(restartedFinish), target);
    EXPECT_EQ(contentOf(target.toStdString()), body);
    EXPECT_TRUE(list()->items().isEmpty());
    // The second run fetched what the part files lacked, not the whole body.
    const std::int64_t secondRun = server.bytesSent("/slow.flv") - firstRun;
    EXPECT_GE(secondRun, std::int64_t(body.size()) - kept);
    EXPECT_LT(secondRun, std::int64_t(body.size()));
}

TEST_F(DownloadCentre, PasteTakesTheClipboardUnchangedOrShowsTheNotice) {
    writeScript(home.path(), "");
    openCentre();
    DownloadHeadWidget* head = m_centre->head();
    head->OnDownloaded();
    QGuiApplication::clipboard()->clear();
    head->OnPasteURL();
    QImageDialog* notice = head->clipboardNotice();
    ASSERT_NE(notice, nullptr);
    EXPECT_TRUE(notice->isVisible());
    notice->hide();
    head->OnPasteURL();
    EXPECT_EQ(head->clipboardNotice(), notice);
    EXPECT_TRUE(list()->items().isEmpty());
    EXPECT_EQ(head->selectedTabName(), "Downloaded");

    paste("  spaced text");
    ASSERT_EQ(list()->items().size(), 1);
    EXPECT_EQ(list()->items().first()->m_url, "  spaced text");
    EXPECT_EQ(head->selectedTabName(), "Downloading");
    EXPECT_EQ(m_centre->currentList(), static_cast<QWidget*>(list()));
    EXPECT_EQ(head->tabCount("Downloading"), 1);
}

QStringList rowUrls(const DownloadingWidget* list) {
    QStringList urls;
    for (const VideoProgressBar* row : list->items())
        urls << row->m_url;
    return urls;
}

TEST_F(DownloadCentre, ABatchPasteAddsEachNewAddressInOrderAndSaysWhatItSkipped) {
    writeScript(home.path(), "");
    openCentre();
    paste("http://127.0.0.1:9/listed");
    paste(
        "http://127.0.0.1:9/one\nhttp://127.0.0.1:9/two, http://127.0.0.1:9/listed  not-a-link"
        "\thttps://127.0.0.1:9/three\r\nhttp://127.0.0.1:9/two");
    const QStringList expected = {"http://127.0.0.1:9/listed", "http://127.0.0.1:9/one",
                                  "http://127.0.0.1:9/two", "https://127.0.0.1:9/three"};
    EXPECT_EQ(rowUrls(list()), expected);
    // Skipped: the listed one, the repeated one and the word; no message box.
    EXPECT_EQ(NoticePopup::shared().text(), "3 added, 3 skipped");
    EXPECT_TRUE(messages.isEmpty()) << messages.join(", ").toStdString();
    EXPECT_EQ(m_centre->head()->tabCount("Downloading"), 4);
    QFile saved(list()->taskList().path());
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(saved.readAll());
    int from = 0;
    for (const QString& url : expected) {  // kept in the file, in order
        from = int(text.indexOf(url, from));
        EXPECT_GE(from, 0) << url.toStdString();
    }
}

TEST_F(DownloadCentre, TheClipboardWatchAddsCopiedAddressesOnlyWhileItIsOn) {
    writeScript(home.path(), "");
    openCentre();
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->setText("http://127.0.0.1:9/before");
    QCoreApplication::processEvents();
    EXPECT_TRUE(list()->items().isEmpty());  // off by default

    PreferencesStore::instance().user.watchClipboard = true;
    list()->applyPreferences();
    clipboard->setText("just some words");
    clipboard->setText("http://127.0.0.1:9/copied");
    clipboard->setText("a sentence with http://127.0.0.1:9/inside it");
    QCoreApplication::processEvents();
    EXPECT_EQ(rowUrls(list()), QStringList{"http://127.0.0.1:9/copied"});
    EXPECT_EQ(NoticePopup::shared().text(), "http://127.0.0.1:9/copied");
    clipboard->setText("http://127.0.0.1:9/copied");  // listed already: no dialog
    clipboard->setText("http://127.0.0.1:9/a\nhttp://127.0.0.1:9/b");
    QCoreApplication::processEvents();
    EXPECT_EQ(rowUrls(list()), (QStringList{"http://127.0.0.1:9/copied", "http://127.0.0.1:9/a",
                                            "http://127.0.0.1:9/b"}));
    EXPECT_TRUE(messages.isEmpty()) << messages.join(", ").toStdString();

    PreferencesStore::instance().user.watchClipboard = false;
    list()->applyPreferences();
    clipboard->setText("http://127.0.0.1:9/after");
    QCoreApplication::processEvents();
    EXPECT_EQ(list()->items().size(), 3);
}

TEST_F(DownloadCentre, WithOneSlotTheSecondRowWaitsAndStartsWhenTheFirstIsDeleted) {
    server.serveSlowly("/a.flv", std::string(400000, 'a'), 20000);
    const std::string second = patternBytes(300000);
    server.serveSlowly("/b.flv", second, 100000);
    server.start();
    writeScript(home.path(), streamBlock("/first", "First", {server.url("/a.flv")}) +
                                 streamBlock("/second", "Second", {server.url("/b.flv")}));
    PreferencesStore::instance().user.maxTasks = 1;
    openCentre();
    QSignalSpy finished(list(), &DownloadingWidget::emitOkBarInfo);
    paste(server.url("/first"));
    VideoProgressBar* first = list()->items().at(0);
    ASSERT_TRUE(waitFor([&] { return first->m_state == Downloading; }));
    paste(server.url("/second"));
    VideoProgressBar* waiting = list()->items().at(1);
    ASSERT_TRUE(waitFor([&] { return waiting->task()->isQueued(); }));
    EXPECT_EQ(waiting->m_state, Waiting);
    EXPECT_TRUE(waiting->m_labDownInfo->isVisibleTo(waiting));
    EXPECT_EQ(waiting->m_labDownInfo->text(), "Waiting");
    EXPECT_EQ(server.pathsInTransfer(), 1);

    first->OnBtnDelete();  // the question is off: the row goes at once
    ASSERT_TRUE(waitFor([&] { return waiting->m_state == Downloading; }));
    ASSERT_EQ(finishedFile(finished), waiting->m_filePath);
    EXPECT_EQ(contentOf(waiting->m_filePath.toStdString()), second);
    EXPECT_EQ(server.peakPathsInTransfer(), 1);
}

TEST_F(DownloadCentre, TheSpeedLimitHoldsForTwoTasksTogether) {
    const std::string first = patternBytes(1536 * 1024);
    const std::string second = patternBytes(1536 * 1024 + 7);
    server.serve("/one.bin", first);
    server.serve("/two.bin", second);
    server.start();
    writeScript(home.path(), streamBlock("/one", "One", {server.url("/one.bin")}) +
                                 streamBlock("/two", "Two", {server.url("/two.bin")}));
    PreferencesStore::instance().user.speedLimitKBps = 2048;
    openCentre();
    QSignalSpy finished(list(), &DownloadingWidget::emitOkBarInfo);
    QElapsedTimer clock;
    clock.start();
    paste(server.url("/one"));
    paste(server.url("/two"));
    ASSERT_TRUE(waitFor([&] { return finished.size() == 2; }, 60000));
    const double seconds = double(clock.elapsed()) / 1000.0;
    PreferencesStore::instance().user.speedLimitKBps = 0;
    list()->applyPreferences();  // the next tests run unlimited

    // 3 MiB at 2 MiB/s for both together, less the budget's first burst.
    const double rate = 2048.0 * 1024.0;
    EXPECT_GE(seconds, 0.9 * (double(first.size() + second.size()) - rate / 4) / rate);
    QStringList files = {finished.at(0).at(0).toString(), finished.at(1).at(0).toString()};
    files.sort();  // "One" before "Two"
    EXPECT_TRUE(contentOf(files.at(0).toStdString()) == first);
    EXPECT_TRUE(contentOf(files.at(1).toStdString()) == second);
}

TEST_F(DownloadCentre, DeleteAllStopsEveryTransferAndRemovesTheFiles) {
    server.serveSlowly("/a.flv", std::string(400000, 'a'), 20000);
    server.serveSlowly("/b.flv", std::string(400000, 'b'), 20000);
    server.start();
    writeScript(home.path(), streamBlock("/first", "First", {server.url("/a.flv")}) +
                                 streamBlock("/second", "Second", {server.url("/b.flv")}));
    openCentre();
    paste(server.url("/first"));
    paste(server.url("/second"));
    ASSERT_EQ(list()->items().size(), 2);
    QStringList targets;
    for (VideoProgressBar* row : list()->items()) {
        ASSERT_TRUE(waitFor([&] { return row->m_state == Downloading; }));
        ASSERT_TRUE(waitFor([&] { return QFile::exists(row->m_filePath + "_0"); }));
        targets << row->m_filePath;
    }
    list()->ActionDeleteALL();
    EXPECT_TRUE(list()->items().isEmpty());
    EXPECT_FALSE(QFile::exists(list()->taskList().path()));
    QTest::qWait(300);  // nothing writes behind the deleted rows
    for (const QString& target : targets) {
        for (int j = 0; j < 5; ++j)
            EXPECT_FALSE(QFile::exists(target + QString("_%1").arg(j)));
        EXPECT_FALSE(QFile::exists(target));
    }
}

TEST_F(DownloadCentre, ARefusedLoginAndAStreamOfNoKnownKindFailWithRefresh) {
    writeScript(home.path(), block("/login", {"REQUESTLOGIN(USER, PASS, X)"}) +
                                 block("/nokind", {"VAR U = \"not a url\"", "VIDURL = U;"}));
    openCentre();
    paste("http://127.0.0.1:1/login");
    VideoProgressBar* row = list()->items().first();
    ASSERT_TRUE(waitFor([&] { return row->m_state == Failed; }));
    EXPECT_EQ(logins, 1);
    ASSERT_TRUE(waitFor([&] { return messages.contains("Login failed"); }));
    EXPECT_FALSE(row->m_btnRefresh->isHidden());

    paste("http://127.0.0.1:1/nokind");
    row = list()->items().at(1);
    ASSERT_TRUE(waitFor([&] { return row->m_state == Failed; }));
    EXPECT_TRUE(row->m_canReanalyse);
    row->OnBtnRefresh();  // analyses again
    EXPECT_EQ(row->m_state, Analyzing);
    ASSERT_TRUE(waitFor([&] { return row->m_state == Failed; }));
}

TEST_F(DownloadCentre, TheNameAndPasswordTypedAtTheLoginReachTheSitesNextRequest) {
    server.serve("/v.flv", patternBytes(5000));
    std::mutex mutex;
    std::vector<std::string> logins;
    server.server().Get("/login", [&](const httplib::Request& req, httplib::Response& res) {
        std::lock_guard lock(mutex);
        logins.push_back(req.get_param_value("user") + ":" + req.get_param_value("pass"));
        res.set_content("welcome", "text/plain");
    });
    server.start();
    writeScript(home.path(),
                block("/secure", {"REQUESTLOGIN(USER, PASS, UNUSED)",
                                  "VAR U = \"" + server.url("/v.flv") + "\"", "VIDURL = U;"}) +
                    block("youtubelogin", {"VAR BASE = \"" + server.url("/login?user=") + "\"",
                                           "VAR AND = \"&pass=\"", "VAR L = ADDSTR(BASE, USER)",
                                           "VAR L = ADDSTR(L, AND)", "VAR L = ADDSTR(L, PASS)",
                                           "VAR ANSWER = GETHTML(L)"}));
    openCentre();
    QSignalSpy finished(list(), &DownloadingWidget::emitOkBarInfo);
    paste(server.url("/secure"));
    EXPECT_FALSE(finishedFile(finished).isEmpty());
    EXPECT_EQ(this->logins, 1);  // the dialog was answered once
    std::lock_guard lock(mutex);
    EXPECT_EQ(logins, std::vector<std::string>({"alice:secret"}));
}

// The sample's master playlist with its two variants in the other order,
// so that the best one is not the first row.
std::string masterWithTheBestVariantLast() {
    std::ifstream in(hls_test::sample("master") / "master.m3u8");
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    std::vector<std::size_t> variants;
    for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
        if (lines[i].starts_with("#EXT-X-STREAM-INF"))
            variants.push_back(i);
    }
    EXPECT_EQ(variants.size(), 2u);
    if (variants.size() == 2) {
        std::swap(lines[variants[0]], lines[variants[1]]);
        std::swap(lines[variants[0] + 1], lines[variants[1] + 1]);
    }
    std::string text;
    for (const std::string& line : lines)
        text += line + "\n";
    return text;
}

TEST_F(DownloadCentre, AnHlsMasterPlaylistOffersItsBestVariantAndEndsAsOneMp4) {
    hls_test::HlsServer hlsServer(hls_test::samplesRoot());
    hlsServer.serveText("/master/reordered.m3u8", masterWithTheBestVariantLast());
    writeScript(home.path(),
                streamBlock("/watch", "Hls Show", {hlsServer.url("/master/reordered.m3u8")}));
    openCentre();
    QSignalSpy finished(list(), &DownloadingWidget::emitOkBarInfo);
    paste("http://127.0.0.1:1/watch");
    const QString file = finishedFile(finished);
    // The dialog kept the best variant checked although the answer looked
    // at the first row: the full size, not the half.
    EXPECT_EQ(file, qpath(home / "videos" / "Hls Show.mp4"));
    hls_test::expectPlayable(file.toStdString(), hls_test::kSampleSeconds, 320, 240);
    EXPECT_EQ(hlsServer.requestsOf("/master/v1.m3u8"), 0);
    EXPECT_FALSE(std::filesystem::exists(hls::workFolderFor(file.toStdString())));
    // The finished file is listed in Downloaded.
    const QList<MediaBar*>& downloaded = m_centre->downloadedList()->items();
    ASSERT_EQ(downloaded.size(), 1);
    EXPECT_EQ(downloaded.first()->filePath(), file);
}

TEST_F(DownloadCentre, RtmpStreamFromNginx) {
    if (!testing_support::NginxServer::available(true))
        GTEST_SKIP() << "nginx with its RTMP module is not installed";
    const auto media = home / "rtmp";
    std::filesystem::create_directories(media);
    makeClip(media / "clip.flv", smallClip());
    testing_support::NginxOptions options;
    options.rtmpRoot = media;
    testing_support::NginxServer nginx(options);
    writeScript(home.path(), block("/rtmp", {"VAR N = \"Live\"", "VIDNAME = N;",
                                             "VAR U = \"" + nginx.rtmpUrl() + "\"", "VIDURL = U;",
                                             "VAR P = \"clip.flv\"", "RTMP_PLAYPATH = P;"}));
    openCentre();
    QSignalSpy finished(list(), &DownloadingWidget::emitOkBarInfo);
    paste("http://127.0.0.1:1/rtmp");
    const QString file = finishedFile(finished);
    EXPECT_EQ(file, qpath(home / "videos" / "Live.flv"));
    EXPECT_NEAR(duration(file), 1.0, 0.2);
}

}  // namespace
