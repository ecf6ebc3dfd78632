#include <QDir>
#include <QDomDocument>

#include "core/tests/core_test.h"

#include <QFile>

namespace {

QByteArray preferencesFile(const QByteArray& user, const QByteArray& defaults = {}) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Preferences>\n<User>" + user +
           "</User>\n<Default>" + defaults + "</Default>\n<Extra keep=\"yes\"/>\n</Preferences>\n";
}

class PreferencesTest : public CoreTest {};

TEST_F(PreferencesTest, MissingFileKeepsTheFallbacks) {
    store().load();
    EXPECT_TRUE(store().user.downloadPath.isEmpty());
    EXPECT_EQ(store().user.maxTasks, 5);
    EXPECT_EQ(store().user.updata, 1);
    EXPECT_EQ(store().defaults.updata, 7);
    EXPECT_TRUE(store().user.closeToTray);
    EXPECT_EQ(store().snapshotFormat, "jpg");
}

TEST_F(PreferencesTest, ReadsBothSectionsInAnyOrderAndOnlyExactTrueIsTrue) {
    writeFile(
        "Preferences.xml",
        preferencesFile("<Updata>3</Updata><CloseToTray>True</CloseToTray>"
                        "<DownloadPath>/data/down</DownloadPath><MaxTasks>9</MaxTasks>"
                        "<ShowCloseAgain>false</ShowCloseAgain><Unknown>x</Unknown>"
                        "<SanpShotFormat>png</SanpShotFormat>",
                        "<DownloadPath>/factory/down</DownloadPath><CloseToTray>false</CloseToTray>"
                        "<SanpShotFormat>bmp</SanpShotFormat><Updata>7</Updata>"));
    store().load();
    EXPECT_FALSE(store().user.closeToTray);  // "True" is not "true"
    EXPECT_EQ(store().user.updata, 3);
    EXPECT_EQ(store().user.downloadPath, "/data/down");
    EXPECT_EQ(store().user.maxTasks, 9);
    EXPECT_FALSE(store().user.showCloseAgain);
    EXPECT_TRUE(store().user.showDeleteAgain);  // absent: fallback
    EXPECT_EQ(store().defaults.downloadPath, "/factory/down");
    EXPECT_FALSE(store().defaults.closeToTray);
    // The factory section does not override the user's snapshot choice.
    EXPECT_EQ(store().snapshotFormat, "png");
}

TEST_F(PreferencesTest, SaveRewritesUserValuesKeepsTheRestAndFillsEmptyElements) {
    writeFile(
        "Preferences.xml",
        preferencesFile("<CloseToTray>true</CloseToTray><DownloadPath/><MaxTasks>5</MaxTasks>",
                        "<CloseToTray>true</CloseToTray>"));
    store().load();
    store().user.closeToTray = false;
    store().user.downloadPath = "/home/me/Videos/new";
    store().user.maxTasks = 12;
    ASSERT_TRUE(store().save());

    const QByteArray saved = readFile("Preferences.xml");
    EXPECT_TRUE(saved.contains("\n    <User>")) << saved.toStdString();  // indentation 4
    QDomDocument document;
    ASSERT_TRUE(document.setContent(saved));
    const QDomElement root = document.documentElement();
    const QDomElement user = root.firstChildElement("User");
    EXPECT_EQ(user.firstChildElement("CloseToTray").text(), "false");
    EXPECT_EQ(user.firstChildElement("DownloadPath").text(), "/home/me/Videos/new");
    EXPECT_EQ(user.firstChildElement("MaxTasks").text(), "12");
    EXPECT_EQ(root.firstChildElement("Default").firstChildElement("CloseToTray").text(), "true");
    EXPECT_FALSE(root.firstChildElement("Extra").isNull());

    // Keys an older file lacks are added, with the values in force.
    EXPECT_EQ(user.firstChildElement("WatchClipboard").text(), "false");
    EXPECT_EQ(user.firstChildElement("SpeedLimit").text(), "0");

    store().resetToFallbacks();
    store().load();
    EXPECT_FALSE(store().user.closeToTray);
    EXPECT_EQ(store().user.downloadPath, "/home/me/Videos/new");
    EXPECT_EQ(store().user.maxTasks, 12);
}

TEST_F(PreferencesTest, ClipboardWatchAndSpeedLimitRoundTripAndANegativeLimitIsNone) {
    writeFile("Preferences.xml",
              preferencesFile("<WatchClipboard>true</WatchClipboard><SpeedLimit>-40</SpeedLimit>"));
    store().load();
    EXPECT_TRUE(store().user.watchClipboard);
    EXPECT_EQ(store().user.speedLimitKBps, 0);
    store().user.speedLimitKBps = 2048;
    ASSERT_TRUE(store().save());
    store().resetToFallbacks();
    store().load();
    EXPECT_TRUE(store().user.watchClipboard);
    EXPECT_EQ(store().user.speedLimitKBps, 2048);
}

TEST_F(PreferencesTest, DamagedFileIsKeptAsideAndSaveStartsAFreshOne) {
    writeFile("Preferences.xml", "<Preferences><User><CloseToTray>false</User>");
    store().load();
    EXPECT_TRUE(store().user.closeToTray);  // fallbacks in force
    EXPECT_FALSE(exists("Preferences.xml"));
    EXPECT_EQ(readFile("Preferences.xml.bad"), "<Preferences><User><CloseToTray>false</User>");

    store().user.closeToTray = false;
    ASSERT_TRUE(store().save());
    store().resetToFallbacks();
    store().load();
    EXPECT_FALSE(store().user.closeToTray);
    EXPECT_EQ(store().defaults.updata, 7);  // the factory section is written too
}

TEST_F(PreferencesTest, ShippedFileNamesEveryKeyAndResolvesUserFolders) {
    testing_support::ScopedEnv home("HOME", path("").toStdString());
    QFile shipped(CLIPWRIGHT_SHIPPED_PREFERENCES);
    ASSERT_TRUE(shipped.open(QIODevice::ReadOnly));
    const QByteArray bytes = shipped.readAll();
    writeFile("Preferences.xml", bytes);
    QDomDocument document;
    ASSERT_TRUE(document.setContent(bytes));
    for (const char* section : {"User", "Default"}) {
        const QDomElement element = document.documentElement().firstChildElement(section);
        for (const char* key : {"DownloadPath", "ConvertPath", "MaxTasks", "ShowDeleteAgain",
                                "ShowCloseAgain", "ShowDownSuccess", "Updata", "CloseToTray",
                                "SanpShotPath", "SanpShotFormat", "WatchClipboard", "SpeedLimit"}) {
            EXPECT_FALSE(element.firstChildElement(key).text().isEmpty()) << section << " " << key;
        }
    }
    store().load();
    EXPECT_TRUE(store().user.downloadPath.startsWith(QDir::homePath() + "/"))
        << store().user.downloadPath.toStdString();
    EXPECT_FALSE(store().user.downloadPath.contains('{'));
    EXPECT_FALSE(QDir(store().user.downloadPath).exists());
    const QString folder = store().downloadFolder();  // created on first use
    EXPECT_TRUE(QDir(folder).exists());
}

}  // namespace
