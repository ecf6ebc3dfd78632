// The task list file and the names a task gives its files, on disk.
#include "download/output_naming.h"
#include "download/task_list_file.h"
#include "download/tests/download_fixture.h"

#include <QFile>

using download_test::contentOf;
using download_test::qpath;
using testing_support::TempDir;
using testing_support::writeFile;

namespace {

StoredTask progress(const QString& url, qint64 received, qint64 total) {
    return StoredTask{
        url, {"http://media/a", "http://media/b"}, {"/v/C(1).flv", "/v/C(2).flv"}, received, total};
}

TEST(TaskListFile, FirstAddCreatesTheFileAndProgressRoundTrips) {
    TempDir dir;
    TaskListFile file(qpath(dir / "downloadtasklist.xml"));
    writeFile(dir / "downloadtasklist.xml", "");  // empty: created afresh
    ASSERT_TRUE(file.appendTaskItem("http://site/watch?v=1"));
    ASSERT_TRUE(file.appendTaskItem("http://site/watch?v=2"));
    const std::string text = contentOf(dir / "downloadtasklist.xml");
    EXPECT_EQ(text.rfind("<?xml version='1.0'?>", 0), 0u) << text;
    EXPECT_NE(text.find("<List>"), std::string::npos);
    EXPECT_NE(text.find("    <item url=\"http://site/watch?v=1\"/>"), std::string::npos);

    // A size beyond 32 bits survives; saving twice replaces the children.
    ASSERT_TRUE(file.saveTaskProgress(progress("http://site/watch?v=1", 1, 5)));
    ASSERT_TRUE(file.saveTaskProgress(progress("http://site/watch?v=1", 3000000000, 6000000000)));
    auto tasks = file.loadTaskList();
    ASSERT_TRUE(tasks.has_value());
    ASSERT_EQ(tasks->size(), 2);
    const StoredTask& first = tasks->at(0);
    EXPECT_EQ(first.downloadUrls, QStringList({"http://media/a", "http://media/b"}));
    EXPECT_EQ(first.partPaths, QStringList({"/v/C(1).flv", "/v/C(2).flv"}));
    EXPECT_EQ(first.receivedSize, 3000000000);
    EXPECT_EQ(first.totalSize, 6000000000);
    EXPECT_TRUE(first.hasProgress());
    EXPECT_FALSE(tasks->at(1).hasProgress());

    ASSERT_TRUE(file.removeTaskItem("http://site/watch?v=1"));
    tasks = file.loadTaskList();
    ASSERT_EQ(tasks->size(), 1);
    EXPECT_EQ(tasks->at(0).url, "http://site/watch?v=2");
    ASSERT_TRUE(file.removeTaskItem({}, true));
    EXPECT_FALSE(QFile::exists(file.path()));
    ASSERT_TRUE(file.appendTaskItem("http://site/watch?v=3"));
    EXPECT_EQ(file.loadTaskList()->size(), 1);
    // Removing the last task removes the file, so that the next start has
    // no empty list to keep aside.
    ASSERT_TRUE(file.removeTaskItem("http://site/watch?v=3"));
    EXPECT_FALSE(QFile::exists(file.path()));
    EXPECT_FALSE(file.loadTaskList().has_value());
    EXPECT_FALSE(QFile::exists(file.path() + ".bad1"));  // ".bad" is the empty file of the start
}

TEST(TaskListFile, LoadSkipsShortUrlsKeepsForeignChildrenAndSetsDamagedFilesAside) {
    TempDir dir;
    const auto path = dir / "downloadtasklist.xml";
    TaskListFile file(qpath(path));
    writeFile(path,
              "<?xml version='1.0'?>\n<List>\n"
              "<item url=\"ab\"/>\n"
              "<item url=\"http://p\"><note>x</note><anylisis>old</anylisis></item>\n"
              "<item url=\"http://q\"><ReciveSize>0</ReciveSize><TotalSize>9</TotalSize></item>\n"
              "</List>\n");
    auto tasks = file.loadTaskList();
    ASSERT_TRUE(tasks.has_value());
    ASSERT_EQ(tasks->size(), 2);
    EXPECT_FALSE(tasks->at(1).hasProgress());  // a size of 0: comes back failed
    EXPECT_NE(contentOf(path).find("url=\"ab\""), std::string::npos);  // kept in the file

    // The foreign first child stops the removal: the new children follow it.
    ASSERT_TRUE(file.saveTaskProgress(progress("http://p", 1, 2)));
    tasks = file.loadTaskList();
    EXPECT_EQ(tasks->at(0).downloadUrls, QStringList({"old", "http://media/a", "http://media/b"}));

    writeFile(path, "<List><item url=\"http://p\">");
    EXPECT_FALSE(file.loadTaskList().has_value());
    EXPECT_FALSE(QFile::exists(file.path()));
    EXPECT_EQ(contentOf(dir / "downloadtasklist.xml.bad"), "<List><item url=\"http://p\">");
    EXPECT_FALSE(file.saveTaskProgress(progress("http://p", 1, 2)));  // nothing to save into
    EXPECT_FALSE(QFile::exists(file.path()));

    // A second damaged file, and one without items, are kept beside the first.
    writeFile(path, "<List><item");
    EXPECT_FALSE(file.loadTaskList().has_value());
    writeFile(path, "<List/>");
    EXPECT_FALSE(file.loadTaskList().has_value());
    EXPECT_FALSE(QFile::exists(file.path()));
    EXPECT_EQ(contentOf(dir / "downloadtasklist.xml.bad"), "<List><item url=\"http://p\">");
    EXPECT_EQ(contentOf(dir / "downloadtasklist.xml.bad1"), "<List><item");
    EXPECT_EQ(contentOf(dir / "downloadtasklist.xml.bad2"), "<List/>");
}

// Every task's progress in one write: each url's first item gets its own
// figures, a repeated url's later item and a url not listed are untouched.
TEST(TaskListFile, ProgressOfManyTasksIsSavedInOneWrite) {
    TempDir dir;
    TaskListFile file(qpath(dir / "downloadtasklist.xml"));
    for (const char* url : {"http://a", "http://b", "http://a", "http://c"})
        ASSERT_TRUE(file.appendTaskItem(url));
    ASSERT_TRUE(
        file.saveTasksProgress({progress("http://c", 30, 300), progress("http://a", 10, 100),
                                progress("http://gone", 1, 2)}));
    const auto tasks = file.loadTaskList();
    ASSERT_TRUE(tasks.has_value());
    ASSERT_EQ(tasks->size(), 4);
    EXPECT_EQ(tasks->at(0).receivedSize, 10);
    EXPECT_EQ(tasks->at(0).totalSize, 100);
    EXPECT_FALSE(tasks->at(1).hasProgress());
    EXPECT_FALSE(tasks->at(2).hasProgress());  // the repeat keeps its own (empty) record
    EXPECT_EQ(tasks->at(3).receivedSize, 30);
    EXPECT_EQ(tasks->at(3).partPaths, QStringList({"/v/C(1).flv", "/v/C(2).flv"}));
    EXPECT_EQ(contentOf(dir / "downloadtasklist.xml").find("gone"), std::string::npos);
}

TEST(Naming, TitlesOutputsPartsAndWorkFiles) {
    EXPECT_EQ(naming::cleanTitle("a/b:c*?"), "abc?");
    EXPECT_EQ(naming::cleanTitle(R"(x\y"<>|z)"), "xyz");

    TempDir dir;
    const QString folder = qpath(dir.path()) + "/";  // a trailing "/" gives no "//"
    int number = -1;
    EXPECT_EQ(naming::uniqueOutputPath(folder, "Clip", "mp4", &number), qpath(dir / "Clip.mp4"));
    EXPECT_EQ(number, 0);
    writeFile(dir / "Clip.mp4", "x");
    writeFile(dir / "Clip(1).mp4", "x");
    EXPECT_EQ(naming::uniqueOutputPath(folder, "Clip", "mp4", &number), qpath(dir / "Clip(2).mp4"));
    EXPECT_EQ(naming::displayName("Clip", number, "mp4"), "Clip(2).mp4");

    int counter = 1;
    writeFile(dir / "Clip(1).flv", "x");
    EXPECT_EQ(naming::partPaths(folder, "Clip", "flv", 3, &counter),
              QStringList({qpath(dir / "Clip(2).flv"), qpath(dir / "Clip(3).flv"),
                           qpath(dir / "Clip(4).flv")}));
    EXPECT_EQ(counter, 5);

    EXPECT_EQ(naming::restoredOutputPath({"/v/Clip(2).flv", "/v/Clip(3).flv"}), "/v/Clip.flv");
    EXPECT_EQ(naming::restoredOutputPath({"/v/Clip.mp4"}), "/v/Clip.mp4");  // single part

    writeFile(dir / "Clip.tmp", "");
    writeFile(dir / "Clip(1).tmp", "");
    EXPECT_EQ(naming::freeWorkPath(qpath(dir / "Clip.flv")), qpath(dir / "Clip(2).tmp"));
}

}  // namespace
