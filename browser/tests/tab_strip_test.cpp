// The tab strip and the tool bar without the web engine: tabs that do not
// fit scroll, closing a tab hands the selection to its neighbour, the
// context menu acts on the tab it was opened for, and the address bar hands
// on only what it may load.
#include "browser/online_head_tab_widget.h"
#include "browser/online_head_tool_widget.h"
#include "browser/tests/browser_fixture.h"
#include "widgets/image_button.h"

#include <QLineEdit>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace browser_test {
namespace {

class TabStrip : public BrowserTest {
protected:
    TabStrip() {
        strip.resize(600, 34);
        strip.show();
    }
    void clickClose(OnlingTabButton* tab) {
        QTest::mouseClick(tab, Qt::LeftButton, {}, tab->closeRect().center());
    }
    OnlineHeadTabWidget strip;
    QWidget pages[3];
};

TEST_F(TabStrip, TabsThatDoNotFitScrollAndTheNewestIsInView) {
    for (int i = 0; i < 3; ++i)
        strip.addTab(&pages[i]);
    EXPECT_FALSE(strip.m_btnLeft->isVisible());
    for (int i = 0; i < 5; ++i)
        strip.addTab(nullptr);
    ASSERT_EQ(strip.tabs().size(), 8);
    EXPECT_TRUE(strip.m_btnLeft->isVisible());
    EXPECT_TRUE(strip.tabs().last()->isVisible());
    EXPECT_FALSE(strip.tabs().first()->isVisible());
    EXPECT_EQ(strip.currentTab(), strip.tabs().last());
    EXPECT_FALSE(strip.m_btnRight->isEnabled());
    while (strip.m_btnLeft->isEnabled())
        strip.m_btnLeft->click();
    EXPECT_TRUE(strip.tabs().first()->isVisible());
    EXPECT_FALSE(strip.tabs().last()->isVisible());
    EXPECT_TRUE(strip.m_btnRight->isEnabled());
    // The tabs in view never overlap the scroll buttons.
    for (OnlingTabButton* tab : strip.tabs()) {
        if (tab->isVisible())
            EXPECT_GE(tab->x(), strip.m_btnLeft->geometry().right()) << tab->x();
    }
}

TEST_F(TabStrip, ClosingTabsSelectsTheNeighbourAndTheMenuActsOnItsTab) {
    for (int i = 0; i < 3; ++i)
        strip.addTab(&pages[i]);
    QSignalSpy closed(&strip, &OnlineHeadTabWidget::emitTabClose);
    QSignalSpy changed(&strip, &OnlineHeadTabWidget::emitTabChange);
    QSignalSpy refreshed(&strip, &OnlineHeadTabWidget::emitRefreshTab);

    QTest::mouseClick(strip.tabs().at(0), Qt::LeftButton, {}, QPoint(20, 10));
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed.takeFirst().at(0).value<QWidget*>(), &pages[0]);
    EXPECT_EQ(strip.currentTab()->state(), OnlingTabButton::Selected);
    EXPECT_EQ(strip.tabs().at(2)->state(), OnlingTabButton::Normal);

    // Closing the selected first tab: its page goes, the next tab shows.
    clickClose(strip.tabs().at(0));
    ASSERT_EQ(closed.count(), 1);
    EXPECT_EQ(closed.takeFirst().at(0).value<QWidget*>(), &pages[0]);
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed.takeFirst().at(0).value<QWidget*>(), &pages[1]);
    EXPECT_EQ(strip.currentTab()->page(), &pages[1]);

    // Closing a tab that is not selected leaves the selection alone.
    clickClose(strip.tabs().at(1));
    EXPECT_EQ(closed.takeFirst().at(0).value<QWidget*>(), &pages[2]);
    EXPECT_TRUE(changed.isEmpty());

    // The menu's Refresh acts on the tab it was opened on; Close closes it.
    emit strip.tabs().at(0)->emitShowMenu();
    strip.m_menu->hide();
    strip.m_actionRefresh->trigger();
    ASSERT_EQ(refreshed.count(), 1);
    EXPECT_EQ(refreshed.at(0).at(0).value<QWidget*>(), &pages[1]);
    strip.m_actionClose->trigger();
    EXPECT_TRUE(strip.tabs().isEmpty());
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed.at(0).at(0).value<QWidget*>(), nullptr);  // the start page

    // An empty tab closes without a page to drop.
    strip.m_btnNewTab->click();
    closed.clear();
    clickClose(strip.tabs().at(0));
    EXPECT_TRUE(closed.isEmpty());
    EXPECT_TRUE(strip.tabs().isEmpty());
}

TEST_F(TabStrip, TheAddressBarHandsOnOnlyWhatItMayLoad) {
    answerDialogs();
    QWidget owner;
    OnlineHeadToolWidget* tool = OnlineHeadToolWidget::instance(&owner);
    EXPECT_EQ(OnlineHeadToolWidget::instance(), tool);  // one for the program
    QSignalSpy loads(tool, &OnlineHeadToolWidget::emitLoadUrl);
    auto type = [&](const QString& text) {
        tool->m_lineEditAddress->setText(text);
        QTest::keyClick(tool->m_lineEditAddress, Qt::Key_Return);
    };
    type("www.example.com");
    type("ab");
    type("javascript:alert(1)");
    tool->m_lineEditAddress->setText("https://example.com/x");
    tool->m_btnGo->click();
    ASSERT_EQ(loads.count(), 2);
    EXPECT_EQ(loads.at(0).at(0).toString(), "http://www.example.com");
    EXPECT_EQ(loads.at(1).at(0).toString(), "https://example.com/x");
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages.first().contains("javascript:alert(1)"));
}

}  // namespace
}  // namespace browser_test
