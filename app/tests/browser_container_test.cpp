// The browser inside the page container: the address bar, tabs, history
// past a page's first address, the start page, closing tabs, "Add to", the
// tip's Download reaching the Downloading list, and the quit sequence that
// closes the pages one by one.
#include "app/main_select_widget.h"
#include "browser/down_tip_dialog.h"
#include "browser/my_web_view.h"
#include "browser/online_bottom_widget.h"
#include "browser/online_head_tab_widget.h"
#include "browser/online_head_tool_widget.h"
#include "browser/online_web_widget.h"
#include "browser/tests/browser_fixture.h"
#include "download/downloading_widget.h"
#include "download/video_progress_bar.h"
#include "widgets/image_button.h"
#include "widgets/notice_popup.h"

#include <QCursor>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace browser_test {
namespace {

class BrowserContainer : public BrowserTest {
protected:
    BrowserContainer() {
        centre = std::make_unique<MainSelectWidget>();
        centre->resize(900, 700);
        centre->show();
        centre->OnBtnOnline();
        tool = centre->onlineTool();
        tabs = centre->onlineTabs();
        answerDialogs();
    }
    ~BrowserContainer() override {
        centre.reset();
        // Tasks a test started end with the list.
        QTest::qWait(50);
    }

    void type(const QString& text) {
        tool->m_lineEditAddress->setText(text);
        QTest::keyClick(tool->m_lineEditAddress, Qt::Key_Return);
    }
    OnlineWebWidget* pageAt(int index) const {
        return qobject_cast<OnlineWebWidget*>(centre->webPages().value(index));
    }
    bool showsUrl(OnlineWebWidget* page, const std::string& path) const {
        return page && page->view()->url() == QUrl(server.url(path));
    }
    void clickTab(int index) {
        OnlingTabButton* tab = tabs->tabs().at(index);
        QTest::mouseClick(tab, Qt::LeftButton, {}, QPoint(30, tab->height() / 2));
    }
    void closeTab(int index) {
        OnlingTabButton* tab = tabs->tabs().at(index);
        QTest::mouseClick(tab, Qt::LeftButton, {}, tab->closeRect().center());
    }

    std::unique_ptr<MainSelectWidget> centre;
    OnlineHeadToolWidget* tool;
    OnlineHeadTabWidget* tabs;
};

TEST_F(BrowserContainer, AddressBarTabsHistoryAndTheStartPage) {
    server.page("/one.html", R"(<html><head><title>One</title></head>
<body style="margin:0;font-size:40px"><a id="blank" href="/two.html" target="_blank">two</a>
</body></html>)");
    server.page("/two.html", "<html><head><title>Two</title></head><body>2</body></html>");
    server.start();
    EXPECT_TRUE(centre->startPageShown());

    // Another scheme is refused with a message and opens nothing.
    type("file:///etc/passwd");
    ASSERT_TRUE(waitFor([&] { return !messages.isEmpty(); }));
    EXPECT_TRUE(messages.first().contains("http or https")) << messages.first().toStdString();
    EXPECT_TRUE(centre->webPages().isEmpty());

    // Typed without a scheme: a tab and a page.
    type(server.url("/one.html").mid(7));
    ASSERT_EQ(centre->webPages().size(), 1);
    EXPECT_EQ(tabs->tabs().size(), 1);
    EXPECT_FALSE(centre->startPageShown());
    OnlineWebWidget* one = pageAt(0);
    ASSERT_TRUE(waitFor([&] { return showsUrl(one, "/one.html"); }));
    ASSERT_TRUE(waitFor([&] { return tabs->tabs().at(0)->title() == "One"; }));

    // A link with a new-window target: a second tab with its own page.
    ASSERT_TRUE(waitFor([&] { return !one->view()->title().isEmpty(); }));
    clickPage(one->view(), elementCentre(one->view(), "#blank"));
    ASSERT_TRUE(waitFor([&] { return centre->webPages().size() == 2; }));
    OnlineWebWidget* two = pageAt(1);
    EXPECT_EQ(centre->currentWebPage(), two);
    EXPECT_EQ(tabs->currentTab(), tabs->tabs().at(1));
    ASSERT_TRUE(waitFor([&] { return showsUrl(two, "/two.html"); }));
    EXPECT_TRUE(showsUrl(one, "/one.html"));
    EXPECT_TRUE(one->isHidden());

    // Back past the new page's first address shows the start page; Next
    // brings the page back.
    tool->m_btnPrev->click();
    EXPECT_TRUE(centre->startPageShown());
    EXPECT_TRUE(tool->m_btnNext->isEnabled());
    tool->m_btnNext->click();
    EXPECT_FALSE(centre->startPageShown());
    EXPECT_FALSE(two->isHidden());

    clickTab(0);
    EXPECT_EQ(centre->currentWebPage(), one);
    EXPECT_EQ(tool->addressText(), server.url("/one.html"));

    // "Add to" fills the first empty tile with the tab's page.
    OnlineUsuallyWebItem* tile = centre->onlineStartPage()->items().at(0);
    QSignalSpy stored(tile, &OnlineUsuallyWebItem::emitStored);
    emit tabs->tabs().at(0)->emitShowMenu();
    tabs->m_menu->hide();
    tabs->m_actionAddTo->trigger();
    ASSERT_TRUE(waitFor([&] { return !stored.isEmpty(); }, 30000));
    EXPECT_EQ(tile->url(), server.url("/one.html"));
    EXPECT_NE(readAppFile("usualurl.xml").find(server.url("/one.html").toStdString()),
              std::string::npos);

    // A new empty tab shows the start page; a tile opens its site in it.
    tabs->m_btnNewTab->click();
    EXPECT_TRUE(centre->startPageShown());
    EXPECT_EQ(tabs->tabs().size(), 3);
    EXPECT_TRUE(tool->addressText().isEmpty());
    tile->ItemPress();
    ASSERT_EQ(centre->webPages().size(), 3);
    EXPECT_EQ(tabs->tabs().size(), 3);
    EXPECT_EQ(tabs->tabs().at(2)->page(), pageAt(2));

    // Closing every tab ends on the start page with Prev and Next off.
    QPointer<OnlineWebWidget> closed = one;
    closeTab(0);
    EXPECT_TRUE(closed.isNull());
    while (!tabs->tabs().isEmpty())
        closeTab(0);
    EXPECT_TRUE(centre->webPages().isEmpty());
    EXPECT_TRUE(centre->startPageShown());
    EXPECT_EQ(centre->currentWebPage(), nullptr);
    EXPECT_FALSE(tool->m_btnPrev->isEnabled());
    EXPECT_FALSE(tool->m_btnNext->isEnabled());
}

TEST_F(BrowserContainer, TheTipPutsThePageIntoTheDownloadingListAndQuitClosesThePages) {
    server.page("/clip.html", R"(<html><head><title>Clip</title></head><body style="margin:0">
<video style="position:absolute;left:40px;top:100px;width:480px;height:270px"></video>
</body></html>)");
    server.page("/other.html", "<html><head><title>Other</title></head><body>x</body></html>");
    server.start();
    centre->OnlineOpenUrl(server.url("/clip.html"));
    OnlineWebWidget* page = pageAt(0);
    ASSERT_TRUE(waitFor([&] { return page->tip()->url() == server.url("/clip.html"); }));
    QCursor::setPos(page->view()->mapToGlobal(QPoint(200, 200)));
    page->view()->UpdateTimer();
    ASSERT_TRUE(waitFor([&] { return page->tip()->isVisible(); }));
    page->tip()->m_btnDown->click();
    DownloadingWidget* list = centre->downloadingList();
    ASSERT_EQ(list->items().size(), 1);
    EXPECT_EQ(list->items().at(0)->m_url, server.url("/clip.html"));
    EXPECT_NE(readAppFile("downloadtasklist.xml").find(server.url("/clip.html").toStdString()),
              std::string::npos);
    EXPECT_TRUE(NoticePopup::shared().isVisible());
    list->ActionDeleteALL();  // the task itself is not what this test is about

    // Quitting deletes the pages newest first, one per tick, then signals.
    centre->OnlineOpenUrl(server.url("/other.html"));
    tabs->m_btnNewTab->click();
    centre->OnlineOpenUrl(server.url("/other.html"));
    ASSERT_EQ(centre->webPages().size(), 2);
    QStringList order;
    for (QWidget* open : centre->webPages()) {
        const QString name = open == page ? "first" : "second";
        QObject::connect(open, &QObject::destroyed, [&order, name] { order << name; });
    }
    QSignalSpy done(centre.get(), &MainSelectWidget::emitWebviewCloseOK);
    ASSERT_TRUE(centre->prepareQuit());
    EXPECT_EQ(centre->webPages().size(), 2);  // nothing before the first tick
    ASSERT_TRUE(done.wait(5000));
    EXPECT_EQ(order, QStringList({"second", "first"}));
    EXPECT_TRUE(centre->webPages().isEmpty());
}

}  // namespace
}  // namespace browser_test
