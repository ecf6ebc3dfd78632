// Typed addresses, the favourite sites file and the screenshot names, without
// the web engine.
#include "browser/web_address.h"
#include "browser/usual_url_file.h"
#include "testing/temp_dir.h"

#include <gtest/gtest.h>

#include <QDomDocument>

namespace {

using webaddress::Verdict;

QString loadable(const char* typed) {
    const webaddress::Normalised result = webaddress::normalise(typed);
    EXPECT_EQ(result.verdict, Verdict::Loadable) << typed;
    return result.address;
}

TEST(WebAddress, TypedTextBecomesAnHttpAddress) {
    EXPECT_EQ(loadable("www.example.com"), "http://www.example.com");
    EXPECT_EQ(loadable("WWW.example.com/a"), "http://WWW.example.com/a");
    EXPECT_EQ(loadable("//www.example.com"), "http://www.example.com");
    EXPECT_EQ(loadable(".example.com"), "http://www.example.com");
    EXPECT_EQ(loadable("example.com/watch"), "http://example.com/watch");
    EXPECT_EQ(loadable("localhost:8080/x"), "http://localhost:8080/x");  // a port, not a scheme
    EXPECT_EQ(loadable("127.0.0.1:81"), "http://127.0.0.1:81");
    EXPECT_EQ(loadable("  example.com  "), "http://example.com");
    // An address that names http or https is loaded as typed.
    EXPECT_EQ(loadable("http://example.com/a?u=http://b"), "http://example.com/a?u=http://b");
    EXPECT_EQ(loadable("HTTPS://example.com/"), "HTTPS://example.com/");
    // A query holding "http://" does not make a host name an address.
    EXPECT_EQ(loadable("example.com/?u=http://b"), "http://example.com/?u=http://b");
}

TEST(WebAddress, ShortTextIsIgnoredAndOtherSchemesAreRefused) {
    EXPECT_EQ(webaddress::normalise("ab").verdict, Verdict::Ignored);
    EXPECT_EQ(webaddress::normalise("  a  ").verdict, Verdict::Ignored);
    for (const char* typed : {"file:///etc/passwd", "javascript:alert(1)", "ftp://example.com/",
                              "data:text/html,<b>x</b>", "chrome://settings", "FILE:/x"}) {
        EXPECT_EQ(webaddress::normalise(typed).verdict, Verdict::Refused) << typed;
    }
    EXPECT_TRUE(webaddress::isLoadable(QUrl("https://example.com/")));
    EXPECT_FALSE(webaddress::isLoadable(QUrl("file:///etc/passwd")));
    EXPECT_FALSE(webaddress::isLoadable(QUrl("http://")));
    EXPECT_FALSE(webaddress::isLoadable(QUrl("example.com")));
}

TEST(WebAddress, MediaFileLinksAreToldByTheirPath) {
    EXPECT_TRUE(webaddress::isMediaFileLink(QUrl("http://h/v/clip.MP4?token=1")));
    EXPECT_TRUE(webaddress::isMediaFileLink(QUrl("https://h/live/index.m3u8")));
    EXPECT_FALSE(webaddress::isMediaFileLink(QUrl("http://h/watch?v=clip.mp4")));
    EXPECT_FALSE(webaddress::isMediaFileLink(QUrl("http://h/clip.mp4/page")));
    EXPECT_FALSE(webaddress::isMediaFileLink(QUrl("file:///home/clip.mp4")));
}

TEST(UsualUrlNames, TitlesAreSanitisedAndSharedByEqualTitles) {
    EXPECT_EQ(usualurl::sanitisedTitle("../../etc/passwd"), ".etcpasswd");
    EXPECT_EQ(usualurl::sanitisedTitle("a\\b\x01\n\tc"), "abc");
    EXPECT_EQ(usualurl::sanitisedTitle("   "), "untitled");
    EXPECT_EQ(usualurl::sanitisedTitle(QString(300, 'x')).size(), 80);
    const QString emoji = QString(79, 'x') + QString::fromUtf8("\xF0\x9F\x8E\xAC");
    EXPECT_EQ(usualurl::sanitisedTitle(emoji), QString(79, 'x'));  // no half character
    testing_support::ScratchAppDir home;
    const QString path = usualurl::screenshotPath("My/Site");
    EXPECT_EQ(path, QString::fromStdString((home / "image/urlicon/web_icon_MySite.png").string()));
    EXPECT_EQ(usualurl::screenshotPath("My/Site"), usualurl::screenshotPath("MySite"));
}

class UsualUrlFile : public ::testing::Test {
protected:
    std::string fileText() const { return testing_support::readFile(home / "usualurl.xml"); }
    QDomElement slotElement(const char* key) const {
        QDomDocument document;
        document.setContent(QByteArray::fromStdString(fileText()));
        return document.documentElement().firstChildElement(key);
    }
    testing_support::ScratchAppDir home;
};

TEST_F(UsualUrlFile, SlotsAreReadByNameInAnyOrder) {
    testing_support::writeFile(home / "usualurl.xml",
                               "<?xml version=\"1.0\"?>\n<Sites>\n"
                               "<Url_twelve url=\"http://l/\" title=\"Last\"/>\n"
                               "<Unknown url=\"http://x/\" title=\"X\"/>\n"
                               "<Url_one url=\"http://f/\" title=\"First\"/>\n"
                               "<Url_five title=\"No address\"/>\n</Sites>\n");
    const usualurl::Sites sites = usualurl::read();
    EXPECT_EQ(sites[0].url, "http://f/");
    EXPECT_EQ(sites[0].title, "First");
    EXPECT_EQ(sites[11].url, "http://l/");
    EXPECT_EQ(sites[11].title, "Last");
    EXPECT_TRUE(sites[4].url.isEmpty());
    for (int i : {1, 2, 3, 5, 6, 7, 8, 9, 10})
        EXPECT_TRUE(sites[i].url.isEmpty()) << i;
}

TEST_F(UsualUrlFile, StoringKeepsOtherSlotsAndAddsMissingOnes) {
    testing_support::writeFile(home / "usualurl.xml",
                               "<Sites><Url_two url=\"http://b/\" title=\"B\"/></Sites>");
    ASSERT_TRUE(usualurl::store(6, {"http://g/", "G & co"}));
    EXPECT_EQ(slotElement("Url_seven").attribute("url"), "http://g/");
    EXPECT_EQ(slotElement("Url_seven").attribute("title"), "G & co");
    EXPECT_EQ(slotElement("Url_two").attribute("url"), "http://b/");
    for (const char* key : usualurl::kSlotKeys)
        EXPECT_FALSE(slotElement(key).isNull()) << key;
    EXPECT_EQ(usualurl::read()[6].title, "G & co");
    // Clearing a slot empties its attributes.
    ASSERT_TRUE(usualurl::store(1, {}));
    EXPECT_TRUE(usualurl::read()[1].url.isEmpty());
    EXPECT_EQ(usualurl::read()[6].url, "http://g/");
}

TEST_F(UsualUrlFile, OfTwoElementsOfOneSlotTheStoredFirstOneCounts) {
    testing_support::writeFile(home / "usualurl.xml",
                               "<UsualUrl><Url_two url=\"http://first/\" title=\"First\"/>"
                               "<Url_two url=\"http://second/\" title=\"Second\"/></UsualUrl>");
    EXPECT_EQ(usualurl::read()[1].url, "http://first/");
    ASSERT_TRUE(usualurl::store(1, {"http://new/", "New"}));
    EXPECT_EQ(slotElement("Url_two").attribute("url"), "http://new/");
    EXPECT_EQ(usualurl::read()[1].url, "http://new/");
    EXPECT_EQ(usualurl::read()[1].title, "New");
}

TEST_F(UsualUrlFile, ADamagedFileIsKeptAsideAndStartedAnew) {
    testing_support::writeFile(home / "usualurl.xml", "<Sites><Url_one url=\"http://a/\"");
    const usualurl::Sites sites = usualurl::read();
    EXPECT_TRUE(sites[0].url.isEmpty());
    EXPECT_EQ(testing_support::readFile(home / "usualurl.xml.bad"),
              "<Sites><Url_one url=\"http://a/\"");
    ASSERT_TRUE(usualurl::store(0, {"http://n/", "N"}));
    EXPECT_EQ(usualurl::read()[0].url, "http://n/");
}

}  // namespace
