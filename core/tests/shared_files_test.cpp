// The XML file helper, the log and the product facts, on files in a scratch
// application directory.
#include "core/app_files.h"
#include "core/app_log.h"
#include "core/tests/core_test.h"
#include "core/xml_file.h"

#include <QDir>
#include <QFileInfo>

#include <sys/resource.h>
#include <csignal>

namespace {

class SharedFilesTest : public CoreTest {};

// Limits the size of any file this process writes, for the object's
// lifetime; a write beyond it fails with EFBIG instead of raising SIGXFSZ.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &m_old);
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_old;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = nullptr;
};

TEST_F(SharedFilesTest, SaveReplacesTheWholeFileWithIndentedUtf8) {
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

// A file in another encoding is read in that encoding and written back as
// UTF-8 under a declaration that says so: under its old declaration the
// written bytes would read back garbled, or not at all. The rest of the
// declaration, and an instruction that only begins with "xml", stay.
TEST_F(SharedFilesTest, AFileInAnotherEncodingIsWrittenBackAsUtf8) {
    const QString title = QString::fromUtf8("Vid\xc3\xa9o + caf\xc3\xa9");
    const QList<QPair<QByteArray, QByteArray>> files = {
        {"latin1.xml",
         "<?xml version=\"1.0\" encoding=\"ISO-8859-1\" standalone=\"yes\"?>\n"
         "<list><item>Vid\xe9o + caf\xe9</item></list>\n"},
        {"utf7.xml",
         "<?xml version=\"1.0\" encoding=\"UTF-7\"?>\n"
         "<list><item>Vid+AOk-o +- caf+AOk-</item></list>\n"},
    };
    for (const auto& [name, content] : files) {
        SCOPED_TRACE(name.toStdString());
        writeFile(name, content);
        QDomDocument document;
        ASSERT_EQ(xmlfile::load(path(name), &document), xmlfile::LoadResult::Loaded);
        ASSERT_EQ(xmlfile::firstSection(document).text(), title);
        ASSERT_TRUE(xmlfile::save(document, path(name)));
        const QByteArray saved = readFile(name);
        EXPECT_TRUE(saved.startsWith("<?xml version='1.0' encoding='UTF-8'"))
            << saved.toStdString();
        EXPECT_EQ(saved.count("<?xml"), 1);
        EXPECT_TRUE(saved.contains(title.toUtf8()));
        QDomDocument reread;
        ASSERT_EQ(xmlfile::load(path(name), &reread), xmlfile::LoadResult::Loaded);
        EXPECT_EQ(xmlfile::firstSection(reread).text(), title);
    }

    EXPECT_TRUE(readFile("latin1.xml").contains("standalone='yes'?>"));

    writeFile("styled.xml", "<?xml-stylesheet href=\"a.css\"?><list><item>x</item></list>");
    QDomDocument styled;
    ASSERT_EQ(xmlfile::load(path("styled.xml"), &styled), xmlfile::LoadResult::Loaded);
    ASSERT_TRUE(xmlfile::save(styled, path("styled.xml")));
    EXPECT_TRUE(readFile("styled.xml")
                    .startsWith("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                "<?xml-stylesheet href=\"a.css\"?>"))
        << readFile("styled.xml").toStdString();
}

TEST_F(SharedFilesTest, FailedSaveLeavesTheOldFile) {
    writeFile("list.xml", "<list><item>old</item></list>");
    QDomDocument document;
    QDomElement root = document.appendChild(document.createElement("list")).toElement();
    root.appendChild(document.createTextNode(QString(8192, 'n')));
    {
        const FileSizeLimit limit(4096);  // the new content cannot be written whole
        EXPECT_FALSE(xmlfile::save(document, path("list.xml")));
    }
    EXPECT_EQ(readFile("list.xml"), "<list><item>old</item></list>");
    EXPECT_EQ(QDir(path("")).entryList(QDir::Files), QStringList({"list.xml"}));  // no leftovers

    // A folder where the file should be cannot be replaced either.
    ASSERT_TRUE(QDir().mkpath(path("blocked.xml") + "/inside"));
    EXPECT_FALSE(xmlfile::save(document, path("blocked.xml")));
    EXPECT_TRUE(QFileInfo(path("blocked.xml/inside")).isDir());
}

TEST_F(SharedFilesTest, LoadTellsMissingFromDamagedAndKeepsTheDamagedFile) {
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

    // Nesting past what any of the program's files uses is not taken in:
    // the tree would be freed and written back recursively.
    const QByteArray deep =
        QByteArray("<a>").repeated(100000) + QByteArray("</a>").repeated(100000);
    writeFile("deep.xml", deep);
    EXPECT_EQ(xmlfile::load(path("deep.xml"), &document), xmlfile::LoadResult::Damaged);
    EXPECT_EQ(readFile("deep.xml.bad"), deep);
    EXPECT_TRUE(document.documentElement().isNull());
    const QByteArray shallow =
        "<a>" + QByteArray("<b>").repeated(63) + QByteArray("</b>").repeated(63) + "</a>";
    writeFile("shallow.xml", shallow);
    EXPECT_EQ(xmlfile::load(path("shallow.xml"), &document), xmlfile::LoadResult::Loaded);

    // Qt's reader takes a processing instruction named "{x}" written without
    // a space, but refuses it as its writer gives it back ("<?{x} ?>"): such
    // a file is kept aside rather than rewritten into one that never loads.
    const QByteArray oddInstruction = "<?{Videos}?>\n<list><item url=\"abc\"/></list>\n";
    writeFile("odd.xml", oddInstruction);
    EXPECT_EQ(xmlfile::load(path("odd.xml"), &document), xmlfile::LoadResult::Damaged);
    EXPECT_EQ(readFile("odd.xml.bad"), oddInstruction);
    writeFile("named.xml", "<?xml version=\"1.0\"?>\n<?style a?>\n<list><?b?><item/></list>");
    ASSERT_EQ(xmlfile::load(path("named.xml"), &document), xmlfile::LoadResult::Loaded);
    ASSERT_TRUE(xmlfile::save(document, path("named.xml")));
    EXPECT_EQ(xmlfile::load(path("named.xml"), &document), xmlfile::LoadResult::Loaded);

    writeFile("empty-root.xml", "<list/>");
    ASSERT_EQ(xmlfile::load(path("empty-root.xml"), &document), xmlfile::LoadResult::Loaded);
    EXPECT_TRUE(xmlfile::firstSection(document).isNull());
}

TEST_F(SharedFilesTest, LogHoldsOnlyTheLastMessage) {
    ASSERT_TRUE(applog::write("a first, rather long message"));
    ASSERT_TRUE(applog::write("second"));
    EXPECT_EQ(readFile("Log.txt"), "second");
}

TEST_F(SharedFilesTest, DataFilesLiveInTheApplicationDirectory) {
    const QString dir = QString::fromStdString(dirPath().string());
    EXPECT_EQ(appfiles::shippedDir(), dir);
    EXPECT_EQ(appfiles::userDir(), dir);
    EXPECT_EQ(appfiles::path("/Preferences.xml"), dir + "/Preferences.xml");
    EXPECT_EQ(appfiles::path("/image/OK_btn.png"), dir + "/image/OK_btn.png");
    EXPECT_EQ(appfiles::path("\\pic\\icon.png"), dir + "/pic/icon.png");
}

}  // namespace
