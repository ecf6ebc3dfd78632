// The favourite-sites start page: tiles filled from "usualurl.xml" by slot
// name, sites added through the dialog with a screenshot of the site
// rendered off-screen, the placeholder for a site that does not load,
// removing a site, and all of it again after a restart.
#include "browser/add_new_web_dialog.h"
#include "browser/online_bottom_widget.h"
#include "browser/tests/browser_fixture.h"
#include "browser/usual_url_file.h"
#include "widgets/image_button.h"
#include "widgets/image_widget.h"

#include <QDomDocument>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTextEdit>

#include <deque>
#include <filesystem>

namespace browser_test {
namespace {

class StartPage : public BrowserTest {
protected:
    QDomElement slotElement(const char* key) const {
        QDomDocument document;
        document.setContent(QByteArray::fromStdString(readAppFile("usualurl.xml")));
        return document.documentElement().firstChildElement(key);
    }

    // Clicks the empty tile, answers the dialog with (title, address) and
    // waits until the tile is stored.
    void addThroughTheDialog(OnlineUsuallyWebItem* item, const QString& title,
                             const QString& address) {
        answerDialogs([&](QDialog* dialog) {
            auto* add = qobject_cast<AddNewWebDialog*>(dialog);
            if (!add)
                return false;
            add->m_lineEditTitle->setText(title);
            add->m_textEditUrl->setPlainText(address);
            add->m_btnOK->click();
            return true;
        });
        QSignalSpy stored(item, &OnlineUsuallyWebItem::emitStored);
        item->ItemPress();
        ASSERT_TRUE(waitFor([&] { return !stored.isEmpty(); }, 30000)) << address.toStdString();
    }
};

TEST_F(StartPage, TilesAreFilledFromTheFileBySlotName) {
    QImage shot(40, 30, QImage::Format_RGB32);
    shot.fill(Qt::green);
    std::filesystem::create_directories(home / "image/urlicon");
    ASSERT_TRUE(shot.save(appPath("image/urlicon/web_icon_Green.png")));
    std::string file = "<?xml version=\"1.0\"?>\n<Anything>\n";
    for (int i = usualurl::kSlotCount - 1; i >= 0; --i) {
        const std::string key = usualurl::kSlotKeys[i];
        if (i == 2)
            file += "<" + key + " url=\"http://green.example/\" title=\"Green\"/>\n";
        else if (i == 9)
            file += "<" + key + " url=\"http://noshot.example/\" title=\"No shot\"/>\n";
        else
            file += "<" + key + " url=\"\" title=\"\"/>\n";
    }
    writeAppFile("usualurl.xml", file + "</Anything>\n");

    OnlineBottomWidget start;
    start.show();
    ASSERT_EQ(start.items().size(), 12);
    for (int i = 0; i < usualurl::kSlotCount; ++i)
        EXPECT_EQ(start.items()[i]->accessibleName(), usualurl::kSlotKeys[i]);
    OnlineUsuallyWebItem* green = start.items()[2];
    EXPECT_EQ(green->url(), "http://green.example/");
    EXPECT_EQ(green->m_labTitle->text(), "Green");
    EXPECT_TRUE(green->m_imageShot->isVisible());
    EXPECT_EQ(green->m_imageShot->pixmap().toImage().pixelColor(5, 5), QColor(Qt::green));
    // A filled tile without its screenshot shows the placeholder.
    EXPECT_EQ(start.items()[9]->m_imageShot->pixmap().size(),
              QPixmap(usualurl::placeholderPath()).size());
    EXPECT_FALSE(start.items()[0]->isFilled());
    EXPECT_FALSE(start.items()[0]->m_imageShot->isVisible());

    QSignalSpy opened(&start, &OnlineBottomWidget::OpenUrl);
    green->ItemPress();
    ASSERT_EQ(opened.count(), 1);
    EXPECT_EQ(opened.at(0).at(0).toString(), "http://green.example/");
}

TEST_F(StartPage, AddedSitesAreStoredWithTheirScreenshotsAndSurviveARestart) {
    server.page("/red.html", R"(<html><head><title>Page title</title></head>
<body style="margin:0;background:#fff"><div style="width:600px;height:400px;background:#e00000">
</div></body></html>)");
    server.page("/titled.html",
                "<html><head><title>Titled Page</title></head><body>hello</body></html>");
    server.start();
    const QString hostAndPort = server.url("/").mid(QString("http://").size());
    {
        OnlineBottomWidget start;
        start.show();
        // Typed without a scheme: the tile loads it over http.
        addThroughTheDialog(start.items()[0], "Red Site", hostAndPort + "red.html");
        EXPECT_EQ(slotElement("Url_one").attribute("url"), server.url("/red.html"));
        EXPECT_EQ(slotElement("Url_one").attribute("title"), "Red Site");
        const QImage saved(appPath("image/urlicon/web_icon_Red Site.png"));
        ASSERT_FALSE(saved.isNull());
        EXPECT_EQ(saved.pixelColor(10, 10), QColor(0xe0, 0, 0));  // the page, not blank white
        EXPECT_EQ(server.hits("/red.html"), 1);

        // The page's title when none was typed; the placeholder for a site
        // that does not load, stored all the same.
        addThroughTheDialog(start.items()[1], "", hostAndPort + "titled.html");
        EXPECT_EQ(slotElement("Url_two").attribute("title"), "Titled Page");
        addThroughTheDialog(start.items()[4], "Gone", "http://127.0.0.1:1/");
        EXPECT_EQ(slotElement("Url_five").attribute("url"), "http://127.0.0.1:1/");
        EXPECT_EQ(start.items()[4]->m_imageShot->pixmap().toImage(),
                  QPixmap(usualurl::placeholderPath()).toImage());

        // An empty address changes nothing.
        const std::string before = readAppFile("usualurl.xml");
        answerDialogs([](QDialog* dialog) {
            auto* add = qobject_cast<AddNewWebDialog*>(dialog);
            if (add) {
                add->m_lineEditTitle->setText("Nothing");
                add->m_btnOK->click();
            }
            return add != nullptr;
        });
        start.items()[2]->ItemPress();
        EXPECT_FALSE(start.items()[2]->isFilled());
        EXPECT_FALSE(start.items()[2]->isAdding());
        EXPECT_EQ(readAppFile("usualurl.xml"), before);

        // "Add to" takes the first empty tile.
        QSignalSpy stored(start.items()[2], &OnlineUsuallyWebItem::emitStored);
        ASSERT_TRUE(start.addToFirstEmpty(server.url("/titled.html"), "From a tab"));
        ASSERT_TRUE(waitFor([&] { return !stored.isEmpty(); }, 30000));
        EXPECT_EQ(slotElement("Url_three").attribute("title"), "From a tab");

        start.items()[0]->m_btnClose->click();
        EXPECT_FALSE(start.items()[0]->isFilled());
        EXPECT_TRUE(slotElement("Url_one").attribute("url").isEmpty());
    }
    OnlineBottomWidget restarted;
    EXPECT_FALSE(restarted.items()[0]->isFilled());
    EXPECT_EQ(restarted.items()[1]->title(), "Titled Page");
    EXPECT_EQ(restarted.items()[1]->url(), server.url("/titled.html"));
    EXPECT_EQ(restarted.items()[2]->title(), "From a tab");
    EXPECT_EQ(restarted.items()[4]->url(), "http://127.0.0.1:1/");
}

}  // namespace
}  // namespace browser_test
