// What a failed task's row tells the user, offscreen against loopback
// servers: the engine's, the transfer's and ffmpeg's reasons reach the
// row's label and tool-tip; an analysis without a stream opens no stream
// dialog; a cancelled stream dialog reads as cancelled and Refresh offers
// the streams again.
#include "core/preferences_store.h"
#include "download/tests/download_fixture.h"
#include "download/video_progress_bar.h"
#include "download/video_resource_dialog.h"
#include "testing/fault_server.h"
#include "testing/gui_test.h"
#include "testing/media.h"
#include "widgets/image_button.h"
#include "widgets/message_dialog.h"

#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTableView>
#include <QTimer>

#include <sys/resource.h>

#include <csignal>
#include <cstdlib>
#include <memory>

using namespace download_test;
using testing_support::patternBytes;

namespace {

class FailureReasons : public GuiTest {
protected:
    FailureReasons() {
        home.linkBuiltSkin();
        std::filesystem::create_directories(home / "videos");
        PreferencesStore::instance().resetToFallbacks();
        PreferencesStore::instance().user.downloadPath = qpath(home / "videos");
        // Answers the modal dialogs: the stream dialog with its first row
        // (or its close button), logins with a name, messages with OK.
        QObject::connect(&m_answerer, &QTimer::timeout, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            if (auto* streams = qobject_cast<VideoResourceDialog*>(modal)) {
                if (!streams->isVisible() || streams->property("answered").toBool())
                    return;
                streams->setProperty("answered", true);
                ++offers;
                if (cancelOffers) {
                    streams->CloseWindow();
                    return;
                }
                QAbstractItemModel* model = streams->m_tableView->model();
                model->data(model->index(0, 0), Qt::CheckStateRole);
                streams->OnBtnDown();
            } else if (auto* login = qobject_cast<LoginYouTuBeDialog*>(modal)) {
                login->m_lineEditName->setText("alice");
                login->m_btnOK->click();
            } else if (auto* message = qobject_cast<QMessageDlg*>(modal)) {
                message->firstButton()->click();
            }
        });
        m_answerer.start(20);
    }

    // A row analysing `url`, shown at a width that holds a whole reason.
    std::unique_ptr<VideoProgressBar> startRow(const std::string& url) {
        auto row = std::make_unique<VideoProgressBar>();
        row->resize(900, 98);
        row->task()->setRetryDelay(20);
        row->show();
        row->startAnalysis(QString::fromStdString(url));
        return row;
    }

    std::unique_ptr<VideoProgressBar> failedRow(const std::string& url) {
        auto row = startRow(url);
        EXPECT_TRUE(waitFor([&] { return row->m_state == Failed; }, 60000)) << url;
        return row;
    }

    // The reason as the row shows it: the whole sentence in the tool-tips,
    // the label the same or, where it is too long, its start and an ellipsis.
    static std::string reasonShown(const VideoProgressBar& row) {
        const QString tip = row.m_labFailReason->toolTip();
        const QString label = row.m_labFailReason->text();
        EXPECT_TRUE(row.m_labFailReason->isVisible());
        EXPECT_FALSE(tip.isEmpty());
        if (label != tip) {
            EXPECT_TRUE(label.endsWith(QChar(0x2026))) << label.toStdString();
            EXPECT_TRUE(tip.startsWith(label.chopped(1))) << label.toStdString();
            EXPECT_GT(label.size(), 40);
        }
        EXPECT_EQ(row.toolTip(), tip);
        EXPECT_FALSE(row.m_btnRefresh->isHidden());
        return tip.toStdString();
    }

    testing_support::ScratchAppDir home;
    MediaServer server;
    int offers = 0;
    bool cancelOffers = false;

private:
    QTimer m_answerer;
};

TEST_F(FailureReasons, EachAnalysisFailureSaysWhyAndOpensNoStreamDialog) {
    server.serve("/page.html", "<html>a page without a video</html>");
    server.start();
    writeScript(home.path(),
                block("/refused", {"VAR U = \"http://127.0.0.1:1/watch\"", "VAR P = GETHTML(U)"}) +
                    block("/missing",
                          {"VAR U = \"" + server.url("/gone.html") + "\"", "VAR P = GETHTML(U)"}) +
                    block("/nostream",
                          {"VAR U = \"" + server.url("/page.html") + "\"", "VAR P = GETHTML(U)"}) +
                    block("/login", {"REQUESTLOGIN(USER, PASS, X)"}));
    const struct {
        std::string url;
        std::string reason;
    } cases[] = {
        {"not an address at all", "No site script knows this address."},
        {"http://127.0.0.1:1/refused",
         "The page could not be fetched: no connection to 127.0.0.1:1"},
        {server.url("/missing"), "The page could not be fetched: HTTP 404"},
        {server.url("/nostream"), "The page offers no video stream."},
        {"http://127.0.0.1:1/login", "Login failed, Please check your user name or password!"},
    };
    for (const auto& c : cases) {
        auto row = failedRow(c.url);
        EXPECT_NE(reasonShown(*row).find(c.reason), std::string::npos)
            << c.url << ": " << reasonShown(*row);
        EXPECT_TRUE(row->m_canReanalyse);
        EXPECT_FALSE(row->m_labFail->isHidden());
    }
    EXPECT_NE(reasonShown(*failedRow("http://127.0.0.1:1/refused")).find("refused"),
              std::string::npos);
    EXPECT_EQ(offers, 0);
}

TEST_F(FailureReasons, TransferFailuresNameTheConnectionAndTheFullDisk) {
    server.serve("/big.bin", patternBytes(1000000));
    server.start();
    writeScript(home.path(), streamBlock("/closed", "Closed", {"http://127.0.0.1:1/v.flv"}) +
                                 streamBlock("/big", "Big", {server.url("/big.bin")}));
    auto refused = failedRow("http://127.0.0.1:1/closed");
    EXPECT_NE(reasonShown(*refused).find("127.0.0.1:1"), std::string::npos)
        << reasonShown(*refused);
    EXPECT_TRUE(refused->m_canRestart);

    // A file-size limit fails the writes as a full disk does.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = 64 * 1024;
    setrlimit(RLIMIT_FSIZE, &small);
    auto full = failedRow(server.url("/big"));
    setrlimit(RLIMIT_FSIZE, &saved);
    EXPECT_NE(reasonShown(*full).find("File too large"), std::string::npos) << reasonShown(*full);
    EXPECT_EQ(offers, 2);
}

TEST_F(FailureReasons, AFailedCombineShowsFfmpegsLastErrorLine) {
    server.serve("/g1.flv", patternBytes(20000));  // not media that ffmpeg can join
    server.serve("/g2.flv", patternBytes(30000));
    server.start();
    writeScript(home.path(),
                streamBlock("/broken", "Broken", {server.url("/g1.flv"), server.url("/g2.flv")}));
    auto row = failedRow(server.url("/broken"));
    const std::string reason = reasonShown(*row);
    EXPECT_NE(reason.find("The parts could not be combined; they are kept. ffmpeg failed: "),
              std::string::npos)
        << reason;
    // ffmpeg's own words follow, naming the list of parts it could not read.
    EXPECT_GT(reason.size(), std::string("The parts could not be combined; they are kept. "
                                         "ffmpeg failed: ")
                                     .size() +
                                 10);
    EXPECT_TRUE(row->m_canRestart);
}

TEST_F(FailureReasons, ACancelledStreamDialogReadsAsCancelledAndRefreshOffersAgain) {
    server.serve("/v.bin", patternBytes(50000));
    server.start();
    writeScript(home.path(), streamBlock("/page", "Clip", {server.url("/v.bin")}));
    cancelOffers = true;
    auto row = failedRow(server.url("/page"));
    EXPECT_EQ(offers, 1);
    EXPECT_EQ(reasonShown(*row), "The stream choice was cancelled.");
    EXPECT_TRUE(row->m_labFail->isHidden());  // no failure mark: nothing went wrong

    cancelOffers = false;
    QSignalSpy finished(row.get(), &VideoProgressBar::emitDowningOK);
    row->m_btnRefresh->click();
    ASSERT_TRUE(caught(finished, 60000));
    EXPECT_EQ(offers, 2);
    EXPECT_EQ(contentOf(finished.at(0).at(0).toString().toStdString()), patternBytes(50000));
    EXPECT_TRUE(row->m_labFailReason->isHidden());
    EXPECT_TRUE(row->toolTip().isEmpty());
}

}  // namespace

namespace {

// A whole download says nothing on standard output, and its diagnostics
// stay off unless asked for.
TEST_F(FailureReasons, ADownloadIsQuietByDefault) {
    ASSERT_EQ(std::getenv("CLIPWRIGHT_DEBUG"), nullptr);
    server.serve("/a.bin", patternBytes(60000));
    server.start();
    writeScript(home.path(), streamBlock("/page", "Quiet", {server.url("/a.bin")}));
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    auto row = startRow(server.url("/page"));
    QSignalSpy finished(row.get(), &VideoProgressBar::emitDowningOK);
    const bool done = caught(finished, 60000);
    row.reset();
    const std::string out = ::testing::internal::GetCapturedStdout();
    const std::string err = ::testing::internal::GetCapturedStderr();
    ASSERT_TRUE(done);
    EXPECT_EQ(out, "");
    for (const char* marker : {"----------start:", "InternetGetVideoUrl finish!", "++++++++"})
        EXPECT_EQ(err.find(marker), std::string::npos) << marker << " in: " << err;
}

}  // namespace
