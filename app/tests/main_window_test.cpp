#include <QAction>
#include <QCheckBox>
#include <QDomDocument>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QMovie>
#include <QPointer>
#include <QRadioButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>

#include "app/boot_widget.h"
#include "app/close_tip_dialog.h"
#include "app/main_select_widget.h"
#include "app/main_window.h"
#include "core/app_log.h"
#include "download/down_centre_widget.h"
#include "download/download_head_widget.h"
#include "download/paste_url_widget.h"
#include "library/downloaded_widget.h"
#include "testing/gui_test.h"
#include "widgets/image_button.h"

namespace {

QAction* actionNamed(QMenu* menu, const QString& text) {
    for (QAction* action : menu->actions()) {
        if (action->text() == text)
            return action;
    }
    return nullptr;
}

void sendMouse(QWidget* target, QEvent::Type type, QPoint local, Qt::MouseButtons buttons) {
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, QPointF(local), target->mapToGlobal(QPointF(local)), button, buttons,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(target, &event);
}

class MainWindowTest : public AppDirTest {
protected:
    QDomElement savedUserSection() {
        QDomDocument document;
        document.setContent(readFile("Preferences.xml"));
        return document.documentElement().firstChildElement("User");
    }
};

TEST_F(MainWindowTest, StartWritesTheLogAndBuildsTheFrame) {
    writeFile("Log.txt", "an older, longer message from the previous start");
    MainWindow window;
    EXPECT_EQ(readFile("Log.txt"), "init mainWindow finished!");
    EXPECT_EQ(window.size(), QSize(837, 648));
    EXPECT_EQ(window.minimumSize(), QSize(835, 647));
    EXPECT_FALSE(window.m_btnDown->isEnabled());  // the download centre shows first
    EXPECT_TRUE(window.pageContainer()->downloadCentreShown());
    window.show();
    EXPECT_EQ(window.m_btnClose->pos(), QPoint(837 - 23, 8));
    EXPECT_EQ(window.m_btnSetting->pos(), QPoint(837 - 114, 8));
    QStringList menu;
    for (QAction* action : window.mainMenu()->actions()) {
        if (!action->isSeparator())
            menu << action->text();
    }
    EXPECT_EQ(menu, QStringList({"Preferences", "Supported Video Sites", "Product Page", "Help"}));
}

TEST_F(MainWindowTest, PageButtonsSwitchPagesAndTheListFollowsTheTabs) {
    MainWindow window;
    window.show();
    QTest::mouseClick(window.m_btnOnline, Qt::LeftButton);
    EXPECT_FALSE(window.m_btnOnline->isEnabled());
    EXPECT_TRUE(window.m_btnDown->isEnabled());
    EXPECT_FALSE(window.pageContainer()->downloadCentreShown());
    QTest::mouseClick(window.m_btnDown, Qt::LeftButton);
    EXPECT_TRUE(window.pageContainer()->downloadCentreShown());

    MainSelectWidget* pages = window.pageContainer();
    pages->setDownedCount(3);
    QTest::mouseClick(pages->head()->m_btnDownLoaded, Qt::LeftButton);
    EXPECT_EQ(pages->head()->selectedTabName(), "Downloaded");
    EXPECT_EQ(pages->currentList(), pages->downloadedList());
    QTest::mouseClick(pages->head()->m_btnConverted, Qt::LeftButton);
    EXPECT_EQ(pages->currentList(), pages->pastePanel());  // empty list: the panel
    EXPECT_EQ(pages->pastePanel()->panelImage(), "/image/bg_Converted.png");
    EXPECT_FALSE(pages->downloadedList()->isVisible());
}

TEST_F(MainWindowTest, CloseHidesToTheTrayWhenNotAsked) {
    MainWindow window;
    store().user.showCloseAgain = false;
    store().user.closeToTray = true;
    window.show();
    window.close();  // the window manager's close request
    if (QSystemTrayIcon::isSystemTrayAvailable()) {
        EXPECT_FALSE(window.isVisible());
    } else {
        EXPECT_TRUE(window.isMinimized());  // no tray to come back from
    }
    EXPECT_FALSE(MainWindow::quitting());
    window.iconActivated(QSystemTrayIcon::DoubleClick);
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(window.isMinimized());
    window.hide();
    actionNamed(window.trayMenu(), "Show Window (&S)")->trigger();
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.size(), QSize(837, 648));
    EXPECT_FALSE(exists("Preferences.xml"));  // hiding saves nothing
}

TEST_F(MainWindowTest, ExitThroughTheCloseQuestionSavesAndCloses) {
    writeFile(
        "Preferences.xml",
        "<Preferences><User><CloseToTray>true</CloseToTray><ShowCloseAgain>true</ShowCloseAgain>"
        "</User><Default><CloseToTray>true</CloseToTray></Default></Preferences>");
    MainWindow window;
    window.show();
    window.OnBtnClose();
    CloseTipDialog* question = window.closeTipDialog();
    ASSERT_NE(question, nullptr);
    EXPECT_TRUE(question->isVisible());
    EXPECT_TRUE(question->minimizeChoice()->isChecked());  // from the factory value

    QTest::mouseClick(question->cancelButton(), Qt::LeftButton);
    EXPECT_FALSE(question->isVisible());
    EXPECT_TRUE(window.isVisible());

    window.OnBtnClose();
    question->exitChoice()->setChecked(true);
    question->dontAskBox()->setChecked(true);
    QTest::mouseClick(question->okButton(), Qt::LeftButton);
    EXPECT_FALSE(question->dontAskBox()->isChecked());
    EXPECT_TRUE(MainWindow::quitting());
    EXPECT_FALSE(window.isVisible());
    const QDomElement user = savedUserSection();
    EXPECT_EQ(user.firstChildElement("CloseToTray").text(), "false");
    EXPECT_EQ(user.firstChildElement("ShowCloseAgain").text(), "false");
}

TEST_F(MainWindowTest, TrayQuitSavesThePreferencesToo) {
    MainWindow window;
    window.show();
    store().user.closeToTray = true;  // quitting from the tray ignores this
    store().user.downloadPath = "/chosen/by/user";
    actionNamed(window.trayMenu(), "Quit (&Q)")->trigger();
    EXPECT_TRUE(MainWindow::quitting());
    EXPECT_EQ(savedUserSection().firstChildElement("DownloadPath").text(), "/chosen/by/user");
}

TEST_F(MainWindowTest, OpenWebPagesCloseNewestFirstOnATimer) {
    MainSelectWidget pages;
    QPointer<QWidget> first = new QWidget;
    QPointer<QWidget> second = new QWidget;
    pages.adoptWebPage(first);
    pages.adoptWebPage(second);
    QStringList order;
    QObject::connect(first, &QObject::destroyed, [&] { order << "first"; });
    QObject::connect(second, &QObject::destroyed, [&] { order << "second"; });
    QSignalSpy done(&pages, &MainSelectWidget::emitWebviewCloseOK);
    ASSERT_TRUE(pages.prepareQuit());
    EXPECT_EQ(done.count(), 0);  // nothing closes before the first tick
    EXPECT_FALSE(first.isNull());
    ASSERT_TRUE(done.wait(5000));
    EXPECT_EQ(order, QStringList({"second", "first"}));
    EXPECT_EQ(pages.webPageCount(), 0);
}

TEST_F(MainWindowTest, MaximiseToggleRestoresTheExactGeometry) {
    MainWindow window;
    window.setGeometry(50, 60, 900, 700);
    window.show();
    const QRect before = window.geometry();
    window.OnBtnMaxSize();
    EXPECT_TRUE(window.isMaximizedByToggle());
    const QScreen* screen = window.screen();
    // The desktop's width (never below the minimum width) and the height of
    // its free area.
    EXPECT_EQ(window.geometry(), QRect(0, 0, qMax(835, screen->geometry().width()),
                                       qMax(647, screen->availableGeometry().height())));
    window.OnBtnMaxSize();
    EXPECT_FALSE(window.isMaximizedByToggle());
    EXPECT_EQ(window.geometry(), before);

    QTest::mouseDClick(&window, Qt::LeftButton, {}, QPoint(400, 93));
    EXPECT_FALSE(window.isMaximizedByToggle());
    QTest::mouseDClick(&window, Qt::LeftButton, {}, QPoint(400, 92));
    EXPECT_TRUE(window.isMaximizedByToggle());
}

TEST_F(MainWindowTest, LeftEdgeResizeStopsAtTheMinimumWidth) {
    MainWindow window;
    window.setGeometry(100, 100, 900, 700);
    window.show();
    sendMouse(&window, QEvent::MouseMove, QPoint(1, 300), Qt::NoButton);
    EXPECT_EQ(window.cursor().shape(), Qt::SizeHorCursor);
    sendMouse(&window, QEvent::MouseButtonPress, QPoint(1, 300), Qt::LeftButton);
    sendMouse(&window, QEvent::MouseMove, QPoint(300, 300), Qt::LeftButton);
    EXPECT_EQ(window.width(), 835);
    EXPECT_EQ(window.geometry().right(), 100 + 900 - 1);  // the right edge stays
    sendMouse(&window, QEvent::MouseMove, QPoint(-40, 300), Qt::LeftButton);
    sendMouse(&window, QEvent::MouseButtonRelease, QPoint(-40, 300), Qt::NoButton);
    EXPECT_GT(window.width(), 835);
}

TEST_F(MainWindowTest, FilesDroppedOnTheDownloadCentreAreReportedWithSlashes) {
    DownCentreWidget centre;
    QSignalSpy dropped(&centre, &DownCentreWidget::emitDragFiles);
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile("/videos/one clip.mp4"),
                  QUrl::fromLocalFile("/videos/two.flv"),
                  QUrl("https://example.org/not-a-file.mp4")});
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&centre, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&centre, &drop);
    ASSERT_EQ(dropped.count(), 1);
    EXPECT_EQ(dropped[0][0].toStringList(),
              QStringList({"/videos/one clip.mp4", "/videos/two.flv"}));
}

class SplashTest : public GuiTest {};

class SkinnedSplashTest : public AppDirTest {};

TEST_F(SkinnedSplashTest, ShowsTheStartPictureAndClosesItselfOnTheTimer) {
    BootWidget splash;
    EXPECT_EQ(splash.size(), QSize(520, 440));
    EXPECT_TRUE(splash.timerRunning());
    auto* bar = splash.findChild<QLabel*>();
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->pos(), QPoint(108, 390));
    ASSERT_NE(bar->movie(), nullptr);
    EXPECT_TRUE(bar->movie()->isValid());
    EXPECT_GT(bar->movie()->frameCount(), 1);
    EXPECT_FALSE(exists("Log.txt"));  // nothing to report
    splash.show();
    splash.TimeOut();
    EXPECT_FALSE(splash.isVisible());
    EXPECT_FALSE(splash.timerRunning());
}

TEST_F(SplashTest, MissingAnimationIsLoggedAndTheTimerStillRuns) {
    testing_support::TempDir empty;
    testing_support::ScopedEnv home("CLIPWRIGHT_HOME", empty.path().string());
    BootWidget splash;
    const QString log = QString::fromStdString(testing_support::readFile(empty / "Log.txt"));
    EXPECT_EQ(log, "set movie failed! the path is:" +
                       QString::fromStdString(empty.path().string()) + "/image/start_bar.gif");
    EXPECT_TRUE(splash.timerRunning());
    splash.TimeOut();
    EXPECT_FALSE(splash.timerRunning());
}

}  // namespace
