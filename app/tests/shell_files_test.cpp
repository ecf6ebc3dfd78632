#include <QDir>
#include <QFileInfo>

#include "app/app_log.h"
#include "app/tests/app_test_support.h"
#include "app/xml_file.h"
#include "download/download_head_widget.h"
#include "widgets/image_button.h"

#include <QLabel>
#include <QSignalSpy>

namespace {

class ShellFilesTest : public AppDirTest {};

TEST_F(ShellFilesTest, SaveReplacesTheWholeFileWithIndentedUtf8) {
    writeFile("list.xml", QByteArray(4096, 'Z'));  // longer than what replaces it
    QDomDocument document;
    QDomElement root = document.appendChild(document.createElement("list")).toElement();
    QDomElement item = root.appendChild(document.createElement("item")).toElement();
    item.appendChild(document.createTextNode(QString::fromUtf8("Vid\xc3\xa9o \xe6\x97\xa5")));
    ASSERT_TRUE(xmlfile::save(document, path("list.xml")));
    const QByteArray saved = readFile("list.xml");
    EXPECT_TRUE(saved.startsWith("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"));
    EXPECT_TRUE(saved.contains("<list>\n    <item>Vid\xc3\xa9o \xe6\x97\xa5</item>\n</list>"))
        << saved.toStdString();
    EXPECT_FALSE(saved.contains('Z'));

    QDomDocument loaded;
    EXPECT_EQ(xmlfile::load(path("list.xml"), &loaded), xmlfile::LoadResult::Loaded);
    EXPECT_EQ(xmlfile::firstSection(loaded).text(), QString::fromUtf8("Vid\xc3\xa9o \xe6\x97\xa5"));
}

TEST_F(ShellFilesTest, FailedSaveLeavesTheOldFile) {
    writeFile("list.xml", "<list/>");
    QDomDocument document;
    document.appendChild(document.createElement("other"));
    // A folder where the file should be cannot be replaced.
    ASSERT_TRUE(QDir().mkpath(path("blocked.xml") + "/inside"));
    EXPECT_FALSE(xmlfile::save(document, path("blocked.xml")));
    EXPECT_TRUE(QFileInfo(path("blocked.xml")).isDir());
    EXPECT_FALSE(xmlfile::save(document, path("missing-folder/list.xml")));
    EXPECT_EQ(readFile("list.xml"), "<list/>");
}

TEST_F(ShellFilesTest, LoadTellsMissingFromDamagedAndKeepsTheDamagedFile) {
    QDomDocument document;
    EXPECT_EQ(xmlfile::load(path("none.xml"), &document), xmlfile::LoadResult::Missing);
    writeFile("list.xml", "<list><item></list>");
    EXPECT_EQ(xmlfile::load(path("list.xml"), &document), xmlfile::LoadResult::Damaged);
    EXPECT_FALSE(exists("list.xml"));
    EXPECT_EQ(readFile("list.xml.bad"), "<list><item></list>");
    // A newer damaged file is kept beside the older copy.
    writeFile("list.xml", "<");
    EXPECT_EQ(xmlfile::load(path("list.xml"), &document), xmlfile::LoadResult::Damaged);
    EXPECT_EQ(readFile("list.xml.bad1"), "<");
    EXPECT_EQ(readFile("list.xml.bad"), "<list><item></list>");

    writeFile("empty-root.xml", "<list/>");
    ASSERT_EQ(xmlfile::load(path("empty-root.xml"), &document), xmlfile::LoadResult::Loaded);
    EXPECT_TRUE(xmlfile::firstSection(document).isNull());
}

TEST_F(ShellFilesTest, LogHoldsOnlyTheLastMessage) {
    ASSERT_TRUE(applog::write("a first, rather long message"));
    ASSERT_TRUE(applog::write("second"));
    EXPECT_EQ(readFile("Log.txt"), "second");
}

class DownloadHeadTest : public AppDirTest {};

TEST_F(DownloadHeadTest, SelectedTabAndCounters) {
    DownloadHeadWidget head;
    EXPECT_EQ(head.selectedTabName(), "Downloading");
    EXPECT_EQ(head.tabCount("Downloading"), 0);
    EXPECT_EQ(head.tabCount("Elsewhere"), -1);
    head.setTabCount("Converted", 12);
    EXPECT_EQ(head.tabCount("Converted"), 12);
    const auto labels = head.m_btnConverted->findChildren<QLabel*>();
    ASSERT_EQ(labels.size(), 1);
    EXPECT_EQ(labels[0]->text(), "12");

    QSignalSpy shown(&head, &DownloadHeadWidget::emitShowWindow);
    head.OnConverted();
    EXPECT_EQ(head.selectedTabName(), "Converted");
    EXPECT_TRUE(head.m_btnDownLoading->isEnabled());
    EXPECT_EQ(shown.count(), 1);
    // With no tab disabled there is no selection.
    head.m_btnConverted->setEnabled(true);
    EXPECT_EQ(head.selectedTabName(), "");
}

}  // namespace
