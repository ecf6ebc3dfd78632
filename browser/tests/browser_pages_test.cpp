// One browser page on the web engine against pages served on loopback: the
// watch page's canonical link and player, the tip over a video of a page the
// site scripts accept, links in the same tab, in a new one or to the
// download list, and a page that fails to load.
#include "browser/down_tip_dialog.h"
#include "browser/my_web_view.h"
#include "browser/online_head_tool_widget.h"
#include "browser/online_web_widget.h"
#include "browser/tests/browser_fixture.h"
#include "widgets/image_button.h"
#include "widgets/notice_popup.h"

#include <QCursor>
#include <QSignalSpy>
#include <QVBoxLayout>

#include <memory>

namespace browser_test {
namespace {

class BrowserPage : public BrowserTest {
protected:
    BrowserPage() {
        window.resize(900, 700);
        window.move(120, 80);  // the tip's place is the page's, not the screen's
        auto* layout = new QVBoxLayout(&window);
        layout->setContentsMargins(0, 0, 0, 0);
        tool = OnlineHeadToolWidget::instance(&window);
        page = new OnlineWebWidget(&window);
        layout->addWidget(tool);
        layout->addWidget(page);
        window.show();
    }

    // Loads `path` and waits for the load and the detection that follows.
    void open(const std::string& path) {
        QSignalSpy loaded(page->view(), &QWebEngineView::loadFinished);
        page->loadLink(QUrl(server.url(path)));
        ASSERT_TRUE(waitFor([&] { return loaded.contains(QVariantList{true}); })) << path;
        // The page answers scripts in order: once this one is answered, the
        // detection's script has been too.
        evaluate(page->view(), "1");
    }

    // Puts the pointer at `point` of the view and runs one tracking round.
    bool tipShownWithPointerAt(QPoint point) {
        QCursor::setPos(page->view()->mapToGlobal(point));
        QSignalSpy tracked(page->view(), &MyWebView::emitPlayerTracked);
        page->view()->UpdateTimer();
        EXPECT_TRUE(waitFor([&] { return !tracked.isEmpty(); }));
        return page->tip()->isVisible();
    }

    QWidget window;
    OnlineHeadToolWidget* tool;
    OnlineWebWidget* page;
};

// The watch page's layout: the canonical link inside "watch7-content" (after
// a decoy outside it) and the player element 400 x 300 at (100, 200).
std::string watchPage(const QString& canonical) {
    return R"(<html><head><title>Watch</title></head>
<body style="margin:0;height:3000px">
<div id="body-container"><div id="page-container"><div id="main">
  <div id="content">
    <div id="other"><link itemprop="url" href="http://127.0.0.1:1/decoy"></div>
    <div id="watch7-content-box"><span>text</span><link itemprop="name" href="x">
      <link itemprop="url" href=")" +
           canonical.toStdString() + R"("></div>
  </div>
  <div id="player" style="position:absolute;left:100px;top:200px">
    <div id="player-mole-container">
      <div id="player-api" style="width:400px;height:300px;background:#333"></div>
    </div>
  </div>
</div></div></div></body></html>)";
}

TEST_F(BrowserPage, WatchPageTipFindsTheLinkFollowsThePointerAndHandsTheLinkOn) {
    const QString canonical = server.url("/youtube/watch?v=canonical");
    server.page("/youtube/watch", watchPage(canonical));
    server.start();
    open("/youtube/watch?v=shown");
    EXPECT_EQ(page->tip()->url(), canonical);
    EXPECT_EQ(tool->addressText(), canonical);

    // Inside the player, in the 31-pixel band above it, and outside.
    EXPECT_TRUE(tipShownWithPointerAt({300, 350}));
    EXPECT_EQ(page->tip()->pos(), QPoint(500 - 149, 200 - 31));
    EXPECT_TRUE(tipShownWithPointerAt({300, 175}));
    EXPECT_FALSE(tipShownWithPointerAt({300, 160}));
    EXPECT_FALSE(tipShownWithPointerAt({60, 350}));
    EXPECT_FALSE(tipShownWithPointerAt({300, 520}));

    // Scrolled down by 150 pixels, the player and the tip move up with it.
    EXPECT_EQ(evaluate(page->view(), "window.scrollTo(0, 150); window.scrollY").toInt(), 150);
    EXPECT_FALSE(tipShownWithPointerAt({300, 400}));
    EXPECT_TRUE(tipShownWithPointerAt({300, 100}));
    EXPECT_EQ(page->tip()->pos(), QPoint(500 - 149, 200 - 150 - 31));

    // Close keeps the tip down until the next navigation.
    page->tip()->m_btnClose->click();
    EXPECT_FALSE(page->tip()->isVisible());
    EXPECT_FALSE(page->view()->isTimerRunning());
    page->reload();
    EXPECT_TRUE(page->view()->isTimerRunning());

    QSignalSpy handedOn(page, &OnlineWebWidget::emitDownUrl);
    page->tip()->m_btnDown->click();
    ASSERT_EQ(handedOn.count(), 1);
    EXPECT_EQ(handedOn.at(0).at(0).toString(), canonical);
    EXPECT_TRUE(NoticePopup::shared().isVisible());
}

TEST_F(BrowserPage, TheLargestVideoOfAnAcceptedPageGetsTheTipWithThePageAddress) {
    const std::string videos = R"(<html><head><title>Clips</title></head><body style="margin:0">
<video id="small" style="position:absolute;left:600px;top:40px;width:160px;height:90px"></video>
<video id="big" style="position:absolute;left:40px;top:300px;width:480px;height:270px"></video>
</body></html>)";
    server.page("/clips/show.html", videos);
    server.page("/clips/other.html", videos);
    server.start();
    // The shipped scripts accept any web page.
    open("/clips/show.html");
    EXPECT_EQ(page->tip()->url(), server.url("/clips/show.html"));
    EXPECT_TRUE(tipShownWithPointerAt({200, 400}));
    EXPECT_EQ(page->tip()->pos(), QPoint(520 - 149, 300 - 31));
    EXPECT_FALSE(tipShownWithPointerAt({650, 80}));  // the smaller video has no tip
    QSignalSpy handedOn(page, &OnlineWebWidget::emitDownUrl);
    ASSERT_TRUE(tipShownWithPointerAt({200, 400}));
    page->tip()->m_btnDown->click();
    ASSERT_EQ(handedOn.count(), 1);
    EXPECT_EQ(handedOn.at(0).at(0).toString(), server.url("/clips/show.html"));

    // With scripts that know no block for the address: no address, no tip,
    // and Download does nothing.
    useScriptFor("video.example");
    open("/clips/other.html");
    EXPECT_TRUE(page->tip()->url().isEmpty());
    EXPECT_FALSE(tipShownWithPointerAt({200, 400}));
    page->tip()->OnBtnDown();
    EXPECT_EQ(handedOn.count(), 1);
}

TEST_F(BrowserPage, LinksLoadHereOpenANewTabOrGoToTheDownloadList) {
    server.page("/links.html", R"(<html><head><title>Links</title></head>
<body style="margin:0;font-size:40px">
<p><a id="plain" href="/second.html">plain</a></p>
<p><a id="blank" href="/third.html" target="_blank">new window</a></p>
<p><a id="media" href="/media/clip.mp4">clip</a></p></body></html>)");
    server.page("/second.html", "<html><head><title>Second</title></head><body>2</body></html>");
    server.page("/third.html", "<html><head><title>Third</title></head><body>3</body></html>");
    server.start();
    QSignalSpy newTab(page, &OnlineWebWidget::openUrl);
    QSignalSpy handedOn(page, &OnlineWebWidget::emitDownUrl);
    QSignalSpy titles(page, &OnlineWebWidget::emitWebTitle);
    open("/links.html");

    clickPage(page->view(), elementCentre(page->view(), "#plain"));
    ASSERT_TRUE(waitFor([&] { return page->view()->url() == QUrl(server.url("/second.html")); }));
    // The address changes when the navigation starts; the title once the
    // page has been served.
    ASSERT_TRUE(waitFor([&] { return titles.contains(QVariantList{"Second"}); }));
    EXPECT_EQ(server.hits("/second.html"), 1);
    EXPECT_TRUE(page->canGoBack());

    ASSERT_TRUE(page->goBack());
    ASSERT_TRUE(waitFor([&] { return page->view()->url() == QUrl(server.url("/links.html")); }));
    ASSERT_TRUE(waitFor([&] { return page->canGoForward(); }));
    clickPage(page->view(), elementCentre(page->view(), "#blank"));
    ASSERT_TRUE(waitFor([&] { return !newTab.isEmpty(); }));
    EXPECT_EQ(newTab.at(0).at(0).toUrl(), QUrl(server.url("/third.html")));
    EXPECT_EQ(server.hits("/third.html"), 0);  // the new tab loads it, not this page

    clickPage(page->view(), elementCentre(page->view(), "#media"));
    ASSERT_TRUE(waitFor([&] { return !handedOn.isEmpty(); }));
    EXPECT_EQ(handedOn.at(0).at(0).toString(), server.url("/media/clip.mp4"));
    EXPECT_EQ(server.hits("/media/clip.mp4"), 0);
    EXPECT_EQ(page->view()->url(), QUrl(server.url("/links.html")));
    // Refusing the clicks did not blank the tab's title.
    EXPECT_FALSE(titles.contains(QVariantList{QString()}));

    // A page that does not load leaves an empty title.
    page->loadLink(QUrl("http://127.0.0.1:1/"));
    EXPECT_TRUE(waitFor([&] { return titles.contains(QVariantList{QString()}); }));
}

}  // namespace
}  // namespace browser_test
