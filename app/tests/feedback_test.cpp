// What the shell tells the user, offscreen: the notice of a finished
// download and the way from it to the Downloaded list, the tray icon of a
// tray that appears late and a close that never hides without a tray, and
// the preferences' Default, Repair and Reset.
#include "app/main_select_widget.h"
#include "app/main_window.h"
#include "app/preferences_dialog.h"
#include "core/preferences_store.h"
#include "download/download_head_widget.h"
#include "download/downloading_widget.h"
#include "download/paste_url_widget.h"
#include "download/tests/download_fixture.h"
#include "download/video_resource_dialog.h"
#include "library/downloaded_widget.h"
#include "testing/fault_server.h"
#include "testing/gui_test.h"
#include "widgets/image_button.h"
#include "widgets/notice_popup.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace download_test;
using testing_support::patternBytes;

namespace {

class Feedback : public AppDirTest {
protected:
    Feedback() {
        store().user.downloadPath = qpath(dirPath() / "videos");
        // The stream dialog is answered with its first row.
        QObject::connect(&m_answerer, &QTimer::timeout, [] {
            if (auto* streams =
                    qobject_cast<VideoResourceDialog*>(QApplication::activeModalWidget())) {
                QAbstractItemModel* model = streams->m_tableView->model();
                model->data(model->index(0, 0), Qt::CheckStateRole);
                streams->OnBtnDown();
            }
        });
        m_answerer.start(20);
    }
    ~Feedback() override { MainWindow::setTrayAvailabilityProbe(nullptr); }

    // Downloads one small stream through the page container's list; the
    // finished file.
    QString downloadOne(MainSelectWidget& pages, const std::string& name) {
        server.serve("/" + name, patternBytes(30000));
        server.start();
        writeScript(dirPath(), streamBlock("/page", name, {server.url("/" + name)}));
        QSignalSpy finished(pages.downloadingList(), &DownloadingWidget::emitOkBarInfo);
        pages.downloadingList()->AddDowningBar(QString::fromStdString(server.url("/page")));
        EXPECT_TRUE(caught(finished, 60000));
        return finished.isEmpty() ? QString() : finished.at(0).at(0).toString();
    }

    MediaServer server;

private:
    QTimer m_answerer;
};

TEST_F(Feedback, AFinishedDownloadsNoticeNamesTheFileAndLeadsToTheDownloadedList) {
    MainSelectWidget pages;
    pages.resize(835, 500);
    pages.show();
    const QString file = downloadOne(pages, "Clip");
    ASSERT_FALSE(file.isEmpty());
    NoticePopup& notice = NoticePopup::shared();
    EXPECT_TRUE(notice.isVisible());
    EXPECT_EQ(notice.text(), QFileInfo(file).fileName());
    EXPECT_EQ(pages.head()->selectedTabName(), "Downloading");

    QTest::mouseClick(&notice, Qt::LeftButton);
    EXPECT_EQ(pages.head()->selectedTabName(), "Downloaded");
    // The list, or while it is empty the panel with its picture.
    EXPECT_TRUE(pages.currentList() == static_cast<QWidget*>(pages.downloadedList()) ||
                (pages.currentList() == pages.pastePanel() &&
                 pages.pastePanel()->panelImage() == "/image/bg_downloaded.png"));
    EXPECT_FALSE(notice.isVisible());
}

TEST_F(Feedback, NoNoticeWhenSwitchedOff) {
    store().user.showDownSuccess = false;
    NoticePopup::shared().hide();
    MainSelectWidget pages;
    pages.show();
    ASSERT_FALSE(downloadOne(pages, "Quiet").isEmpty());
    EXPECT_FALSE(NoticePopup::shared().isVisible());
}

bool g_trayThere = false;

TEST_F(Feedback, ATrayThatAppearsLateGetsTheIconAndNoTrayNeverHidesTheWindow) {
    g_trayThere = false;
    MainWindow::setTrayAvailabilityProbe([] { return g_trayThere; });
    store().user.showCloseAgain = false;
    store().user.closeToTray = true;
    MainWindow window;
    EXPECT_EQ(window.trayMenu()->actions().first()->text(), "Hide (&H)");
    window.show();
    EXPECT_FALSE(window.trayIcon()->isVisible());
    window.close();
    EXPECT_TRUE(window.isVisible());  // minimised to the task bar, not hidden
    EXPECT_TRUE(window.isMinimized());
    window.showNormal();

    g_trayThere = true;  // a panel with a tray starts
    ASSERT_TRUE(
        waitFor([&] { return window.trayIcon()->isVisible(); }, 3 * MainWindow::kTrayWatchMs));
    window.close();
    EXPECT_FALSE(window.isVisible());
    EXPECT_FALSE(MainWindow::quitting());
}

TEST_F(Feedback, DefaultRestoresEveryValueAndRepairAndResetSayWhatTheyDid) {
    store().defaults = store().user;
    store().defaults.closeToTray = false;
    store().defaults.maxTasks = 3;
    store().defaults.updata = 2;
    store().defaults.downloadPath = qpath(dirPath() / "factory");
    store().user.closeToTray = true;
    store().user.maxTasks = 9;
    PreferencesDialog dialog;
    dialog.OnbtnDefault();
    EXPECT_FALSE(store().user.closeToTray);
    EXPECT_EQ(store().user.maxTasks, 3);
    EXPECT_EQ(store().user.updata, 2);
    EXPECT_TRUE(dialog.m_btnRadioExit->isChecked());
    EXPECT_EQ(dialog.m_comboMaxTask->currentText(), "3");
    EXPECT_EQ(dialog.m_comboUpdata->currentIndex(), 2);

    auto* report = dialog.findChild<QLabel*>("m_labReport");
    ASSERT_TRUE(report);
    dialog.OnbtnReset();
    EXPECT_EQ(report->text(), "Every question you switched off will be asked again.");

    ASSERT_FALSE(std::filesystem::exists(dirPath() / "factory"));
    dialog.OnbtnRepair();
    EXPECT_TRUE(std::filesystem::is_directory(dirPath() / "factory"));  // the folder was made
    EXPECT_TRUE(report->text().contains("created")) << report->text().toStdString();
    EXPECT_TRUE(report->text().contains("ffmpeg: ")) << report->text().toStdString();
    EXPECT_TRUE(report->text().contains("script.ent")) << report->text().toStdString();
}

}  // namespace
