// The Downloaded and Converted lists against files on disk: their list
// files, search, deleting, renaming, intake of dropped and imported files,
// playing and opening folders.
#include <QClipboard>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>

#include <unistd.h>

#include "library/converted_widget.h"
#include "library/downloaded_widget.h"
#include "library/tests/library_test_support.h"
#include "widgets/delete_tip_dialog.h"
#include "widgets/image_button.h"
#include "widgets/row_column.h"

namespace {

using MediaLists = LibraryTest;

QByteArray listXml(const QStringList& paths, bool withUrl) {
    QByteArray xml = "<?xml version='1.0'?>\n<List>\n";
    for (const QString& path : paths) {
        xml += "    <item filepath=\"" + path.toUtf8() + "\"";
        if (withUrl)
            xml += " url=\"http://example.test/watch\"";
        xml += "/>\n";
    }
    return xml + "</List>\n";
}

// Receives the URLs the desktop would open.
class DesktopOpener : public QObject {
    Q_OBJECT
public:
    DesktopOpener() { QDesktopServices::setUrlHandler("file", this, "open"); }
    ~DesktopOpener() override { QDesktopServices::unsetUrlHandler("file"); }
    QList<QUrl> opened;
public slots:
    void open(const QUrl& url) { opened << url; }
};

TEST_F(MediaLists, LoadDropsVanishedFilesAndRewritesBothListFiles) {
    const QString a = clip("a.mp4"), b = clip("b.mkv");
    const QString gone = mediaDir() + "/gone.mp4";
    writeFile("downlaodedlist.xml", listXml({a, gone, b}, true));
    writeFile("convertedlist.xml", listXml({gone, b}, false));
    DownloadedWidget downloaded;
    ConvertedWidget converted;
    QSignalSpy downCount(&downloaded, &DownloadedWidget::emitDownedCount);
    QSignalSpy convCount(&converted, &ConvertedWidget::emitConvertCount);
    downloaded.loadList();
    converted.loadList();
    ASSERT_EQ(downloaded.items().size(), 2);
    EXPECT_EQ(downloaded.row(0)->filePath(), a);
    EXPECT_EQ(downloaded.row(0)->url(), "http://example.test/watch");
    EXPECT_EQ(downCount.last().at(0).toInt(), 2);
    EXPECT_EQ(convCount.last().at(0).toInt(), 1);
    EXPECT_EQ(listedPaths("downlaodedlist.xml"), QStringList({a, b}));
    EXPECT_EQ(listedPaths("convertedlist.xml"), QStringList({b}));
    EXPECT_EQ(downloaded.m_labTotal->text(), "Total: 2 Video(s)");

    // Facts and thumbnails arrive from the prober once the rows are shown,
    // not from the load.
    EXPECT_FALSE(downloaded.row(0)->hasFacts());
    showRows(downloaded);
    ASSERT_TRUE(waitForFacts(downloaded));
    const MediaFacts& facts = downloaded.row(0)->facts();
    EXPECT_TRUE(facts.isMedia);
    EXPECT_EQ(facts.duration, "00:01");
    EXPECT_EQ(facts.resolution, "160*120");
    EXPECT_EQ(facts.format, "mp4");
    EXPECT_FALSE(facts.thumbnail.isNull());
    EXPECT_TRUE(downloaded.row(0)->m_videoIconWidget->hasThumbnail());
}

TEST_F(MediaLists, ADamagedListFileIsKeptAsideAndTheListStartsEmpty) {
    writeFile("downlaodedlist.xml", "<List><item filepath=");
    DownloadedWidget list;
    list.loadList();
    EXPECT_TRUE(list.items().isEmpty());
    EXPECT_EQ(readFile("downlaodedlist.xml.bad"), "<List><item filepath=");
    // The next entry starts a fresh, well-formed file.
    const QString a = clip("a.mp4");
    list.addNewItemBar(a, "http://example.test/a");
    EXPECT_EQ(listedPaths("downlaodedlist.xml"), QStringList({a}));
    EXPECT_TRUE(readFile("downlaodedlist.xml").contains("url=\"http://example.test/a\""));
}

TEST_F(MediaLists, SearchIgnoresCaseAndTheTotalCountsOnlyVisibleRows) {
    DownloadedWidget list;
    list.addNewItemBar(clip("Holiday Beach.mp4"));
    list.addNewItemBar(clip("holiday-city.mp4"));
    list.addNewItemBar(clip("work.mp4"));
    QSignalSpy count(&list, &DownloadedWidget::emitDownedCount);
    list.m_searchEdit->setText("HOLIDAY");
    EXPECT_EQ(list.visibleItems().size(), 2);
    EXPECT_EQ(list.m_labTotal->text(), "Total: 2 Video(s)");
    EXPECT_EQ(count.last().at(0).toInt(), 3);  // the head counts every row
    EXPECT_TRUE(list.m_labelMeg->isHidden());
    list.m_searchEdit->setText("nothing like it");
    EXPECT_EQ(list.m_labTotal->text(), "Total: 0 Video(s)");
    EXPECT_FALSE(list.m_labelMeg->isHidden());
    // A row added while a filter is on is hidden when it does not match.
    list.addNewItemBar(clip("more work.mp4"));
    EXPECT_TRUE(list.items().last()->isHidden());
}

TEST_F(MediaLists, DeleteAsksWhenWantedAndDeleteAllKeepsRowsAFilterHides) {
    const QString keep = clip("keep.mp4"), one = clip("one.mp4"), two = clip("two.mp4");
    DownloadedWidget list;
    for (const QString& file : {keep, one, two})
        list.addNewItemBar(file);
    QSignalSpy shown(&list, &DownloadedWidget::emitChangeShowWindow);

    // With the question: nothing goes until OK.
    store().user.showDeleteAgain = true;
    showRows(list);
    list.row(1)->m_btnClose->click();
    EXPECT_EQ(list.items().size(), 3);
    auto* tip = list.findChild<DeleteTipDialog*>();
    ASSERT_NE(tip, nullptr);
    ASSERT_TRUE(tip->isVisible());
    tip->okButton()->click();
    EXPECT_EQ(list.items().size(), 2);
    EXPECT_EQ(listedPaths("downlaodedlist.xml"), QStringList({keep, two}));
    EXPECT_TRUE(QFile::exists(one));  // the media file stays

    // Without it, at once; with a filter on, only the visible rows go.
    store().user.showDeleteAgain = false;
    list.m_searchEdit->setText("TWO");
    list.OnACtionDeleteAll();
    EXPECT_EQ(list.items().size(), 1);
    EXPECT_EQ(listedPaths("downlaodedlist.xml"), QStringList({keep}));
    EXPECT_EQ(shown.count(), 0);

    list.m_searchEdit->clear();
    list.OnACtionDeleteAll();
    EXPECT_TRUE(list.items().isEmpty());
    EXPECT_FALSE(exists("downlaodedlist.xml"));
    EXPECT_EQ(shown.count(), 1);
    EXPECT_EQ(list.m_labTotal->text(), "Total: 0 Video(s)");
}

TEST_F(MediaLists, RenameMovesTheFileButNeverOverAnother) {
    const QString a = clip("a.mp4"), b = clip("b.mp4", 2.0);
    const QByteArray bBytes = [&] {
        QFile f(b);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }();
    DownloadedWidget list;
    list.addNewItemBar(a, "http://example.test/a");
    VideoConvertBar* row = list.row(0);
    row->OnBtnEdit();
    row->m_labVideoName->setText("renamed.mp4");
    row->ChangeName();
    const QString renamed = mediaDir() + "/renamed.mp4";
    EXPECT_EQ(row->filePath(), renamed);
    EXPECT_TRUE(QFile::exists(renamed));
    EXPECT_FALSE(QFile::exists(a));
    EXPECT_EQ(listedPaths("downlaodedlist.xml"), QStringList({renamed}));
    EXPECT_TRUE(readFile("downlaodedlist.xml").contains("http://example.test/a"));

    // Escape gives the old name back and renames nothing.
    row->OnBtnEdit();
    row->m_labVideoName->setText("other.mp4");
    QTest::keyClick(row->m_labVideoName, Qt::Key_Escape);
    row->ChangeName();
    EXPECT_EQ(row->m_labVideoName->text(), "renamed.mp4");
    EXPECT_TRUE(QFile::exists(renamed));

    // A taken name: the rename fails with a message, both files stay whole.
    row->OnBtnEdit();
    row->m_labVideoName->setText("b.mp4");
    row->ChangeName();
    EXPECT_EQ(row->filePath(), renamed);
    EXPECT_EQ(row->m_labVideoName->text(), "renamed.mp4");
    EXPECT_TRUE(QFile::exists(renamed));
    QFile other(b);
    ASSERT_TRUE(other.open(QIODevice::ReadOnly));
    EXPECT_EQ(other.readAll(), bBytes);
    EXPECT_EQ(messages.size(), 1);
    EXPECT_EQ(listedPaths("downlaodedlist.xml"), QStringList({renamed}));

    // The Converted list keeps its file in step the same way.
    ConvertedWidget converted;
    converted.AddNewItemBar(b);
    converted.row(0)->OnBtnEdit();
    converted.row(0)->m_labVideoName->setText("renamed.mp4");
    converted.row(0)->ChangeName();
    EXPECT_EQ(converted.row(0)->filePath(), b);
    EXPECT_EQ(listedPaths("convertedlist.xml"), QStringList({b}));
    converted.row(0)->OnBtnEdit();
    converted.row(0)->m_labVideoName->setText("c.mp4");
    converted.row(0)->ChangeName();
    EXPECT_EQ(listedPaths("convertedlist.xml"), QStringList({mediaDir() + "/c.mp4"}));
    EXPECT_FALSE(readFile("convertedlist.xml").contains("url="));
    EXPECT_TRUE(QFile::exists(mediaDir() + "/c.mp4"));
}

TEST_F(MediaLists, DropSkipsListedFilesImportDoesNotAndNonMediaIsSaidSo) {
    const QString a = clip("a.mp4");
    const QString notes = textFile("notes.txt");
    DownloadedWidget list;
    list.AddDragFiles({a, a});
    list.AddDragFiles({a, notes});
    ASSERT_EQ(list.items().size(), 2);
    list.importFiles({a});
    EXPECT_EQ(list.items().size(), 3);
    EXPECT_EQ(listedPaths("downlaodedlist.xml"), QStringList({a, notes, a}));
    showRows(list);
    ASSERT_TRUE(waitForFacts(list));
    EXPECT_FALSE(list.row(1)->facts().isMedia);
    EXPECT_EQ(list.row(1)->m_infoWidget->m_format->text(), "Not a media file");
    EXPECT_TRUE(list.row(2)->facts().isMedia);
}

TEST_F(MediaLists, ClearInvalidFilesAndTheMenuOnRowsAndOnTheEmptyArea) {
    const QString a = clip("a.mp4"), b = clip("b.mp4");
    DownloadedWidget list;
    list.addNewItemBar(a, "http://example.test/a");
    list.addNewItemBar(b);
    QFile::remove(b);
    list.OnACtionClearInvalidFile();
    ASSERT_EQ(list.items().size(), 1);
    EXPECT_EQ(listedPaths("downlaodedlist.xml"), QStringList({a}));

    list.addNewItemBar(clip("c.mp4"));
    showRows(list);
    QTest::mouseClick(list.row(1), Qt::RightButton);
    EXPECT_EQ(list.currentItem(), list.row(1));
    EXPECT_FALSE(list.m_actionCopyUrl->isEnabled());  // no page address
    EXPECT_TRUE(list.m_actionConvert->isEnabled());
    list.menu()->hide();
    QTest::mouseClick(list.row(0), Qt::RightButton);
    EXPECT_TRUE(list.m_actionCopyUrl->isEnabled());
    list.menu()->hide();
    list.m_actionCopyUrl->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "http://example.test/a");
    const QPoint onArea(5, list.height() - 60);
    QContextMenuEvent onEmpty(QContextMenuEvent::Mouse, onArea, list.mapToGlobal(onArea));
    QApplication::sendEvent(&list, &onEmpty);
    EXPECT_FALSE(list.m_actionPlay->isEnabled());
    EXPECT_FALSE(list.m_actionOpenFolder->isEnabled());
    EXPECT_TRUE(list.m_actionDeleteAll->isEnabled());
    EXPECT_TRUE(list.m_actionImport->isEnabled());
    list.menu()->hide();
}

TEST_F(MediaLists, PlayingAndOpeningTheFolderGoThroughSignalsAndTheDesktop) {
    const QString a = clip("a.mp4");
    ConvertedWidget list;
    list.AddNewItemBar(a);
    QSignalSpy play(&list, &ConvertedWidget::emitPlayFile);
    showRows(list);
    QTest::mouseClick(list.row(0)->m_videoIconWidget, Qt::LeftButton);
    ASSERT_EQ(play.count(), 1);
    EXPECT_EQ(play.takeFirst().at(0).toString(), a);

    DesktopOpener desktop;
    QTest::mouseClick(list.row(0), Qt::LeftButton);
    list.OnACtionOpenFolder();
    ASSERT_EQ(desktop.opened.size(), 1);
    EXPECT_EQ(desktop.opened[0], QUrl::fromLocalFile(mediaDir()));

    // A file that vanished is not handed to the player.
    QFile::remove(a);
    list.OnACtionPlay();
    EXPECT_EQ(play.count(), 0);
}

TEST_F(MediaLists, DisplaySizesSwitchEveryRow) {
    DownloadedWidget list;
    list.addNewItemBar(clip("a.mp4"));
    list.m_btnSmallDisplay->click();
    EXPECT_FALSE(list.row(0)->isBigDisplay());
    EXPECT_FALSE(list.m_btnSmallDisplay->isEnabled());
    list.addNewItemBar(clip("b.mp4"));  // new rows follow the size in force
    EXPECT_FALSE(list.row(1)->isBigDisplay());
    showRows(list);
    EXPECT_EQ(list.row(1)->geometry(),
              QRect(0, MediaBar::kSmallHeight, list.rowColumn()->width(), MediaBar::kSmallHeight));
    EXPECT_EQ(list.row(1)->m_infoWidget->height(), 20);  // the facts on one line
    list.m_btnBigDisplay->click();
    EXPECT_TRUE(list.row(1)->isBigDisplay());
    list.rowColumn()->placeNow();
    EXPECT_EQ(list.row(1)->geometry(),
              QRect(0, MediaBar::kBigHeight, list.rowColumn()->width(), MediaBar::kBigHeight));
    EXPECT_EQ(list.row(1)->m_infoWidget->height(), 42);
}

// A list file of `count` entries naming hard links to a few real clips
// ("clip1.mp4" ...), so that every row has a file of its own.
QStringList linkedClips(const QString& folder, const QStringList& seeds, int count) {
    QStringList files;
    for (int i = 1; i <= count; ++i) {
        const QString file = QString("%1/clip%2.mp4").arg(folder).arg(i);
        EXPECT_EQ(::link(QFile::encodeName(seeds[i % seeds.size()]).constData(),
                         QFile::encodeName(file).constData()),
                  0);
        files << file;
    }
    return files;
}

int builtRows(const MediaListWidget& list) {
    return int(std::count_if(list.items().begin(), list.items().end(),
                             [](const MediaBar* row) { return row->hasForm(); }));
}

TEST_F(MediaLists, ALongListBuildsAndProbesOnlyTheRowsItShows) {
    constexpr int kRows = 3000;
    QDir().mkpath(path("many"));
    const QStringList files =
        linkedClips(path("many"), {clip("seed0.mp4"), clip("seed1.mkv"), textFile("x.txt")}, kRows);
    writeFile("downlaodedlist.xml", listXml(files, true));
    DownloadedWidget list;
    QSignalSpy probed(&list.prober(), &MediaProber::probed);
    list.loadList();
    ASSERT_EQ(list.items().size(), kRows);
    EXPECT_EQ(builtRows(list), 0);
    showRows(list);
    const int inView = builtRows(list);
    EXPECT_GE(inView, 5);
    EXPECT_LE(inView, 12);
    ASSERT_TRUE(QTest::qWaitFor([&] { return probed.count() >= inView; }, 20000));
    list.prober().waitForIdle();
    QCoreApplication::processEvents();
    EXPECT_EQ(probed.count(), inView);  // nothing else was probed
    EXPECT_TRUE(list.row(0)->hasFacts());
    EXPECT_FALSE(list.row(kRows - 1)->hasFacts());

    // Scrolling through the whole list at once: rows long out of view give
    // their form back and their probes are dropped before they begin.
    auto* bar = list.findChild<QScrollArea*>()->verticalScrollBar();
    while (bar->value() < bar->maximum())
        bar->setValue(bar->value() + bar->pageStep());
    EXPECT_LE(builtRows(list), RowColumn::kKeptRows + 12);
    list.prober().waitForIdle();
    QCoreApplication::processEvents();
    // What the probing thread finished while the rows passed by was
    // probed; the rest was dropped (without that, every row would be).
    EXPECT_LT(probed.count(), kRows / 2);
    VideoConvertBar* last = list.row(kRows - 1);
    ASSERT_TRUE(last->hasForm());
    EXPECT_EQ(last->m_labVideoName->text(), QString("clip%1.mp4").arg(kRows));
    EXPECT_EQ(last->m_labVideoName->cursorPosition(), 0);  // a long name shows its start
    ASSERT_TRUE(QTest::qWaitFor([&] { return last->hasFacts(); }, 20000));
    EXPECT_EQ(last->m_infoWidget->m_format->text(), "mp4");
    // The first row comes back built again, with its facts probed anew.
    bar->setValue(0);
    ASSERT_TRUE(list.row(0)->hasForm());
    EXPECT_EQ(list.row(0)->m_labVideoName->text(), "clip1.mp4");
    ASSERT_TRUE(QTest::qWaitFor([&] { return list.row(0)->hasFacts(); }, 20000));
    EXPECT_EQ(list.row(0)->m_infoWidget->m_format->text(), list.row(0)->facts().format);

    // The search fills the column with the matches only; deleting one that
    // was never built takes it out of the list file.
    list.m_searchEdit->setText("clip2999.");
    ASSERT_EQ(list.rowColumn()->rows().size(), 1);
    VideoConvertBar* match = list.row(kRows - 2);
    EXPECT_EQ(list.rowColumn()->rows().first(), match);
    list.rowColumn()->placeNow();
    EXPECT_TRUE(match->isVisible());
    EXPECT_EQ(match->y(), 0);
    list.m_searchEdit->setText("clip1500.");
    list.rowColumn()->placeNow();
    EXPECT_FALSE(match->isVisible());
    list.m_searchEdit->clear();
    list.rowColumn()->placeNow();
    VideoConvertBar* unseen = list.row(1500);
    EXPECT_FALSE(unseen->hasForm());
    ASSERT_TRUE(QFile::remove(unseen->filePath()));
    list.OnACtionClearInvalidFile();
    EXPECT_EQ(list.items().size(), kRows - 1);
    EXPECT_FALSE(list.items().contains(unseen));
    const QStringList listed = listedPaths("downlaodedlist.xml");
    EXPECT_EQ(listed.size(), kRows - 1);
    EXPECT_FALSE(listed.contains(files[1500]));
    EXPECT_TRUE(listed.contains(files[1499]));
}

}  // namespace

#include "media_lists_test.moc"
