// The download centre's widgets on their own: the head's tabs and counters,
// the stream dialog's pre-selection, sizes and choice, and a long restored
// Downloading list.
#include "download/download_head_widget.h"
#include "download/downloading_widget.h"
#include "download/video_progress_bar.h"
#include "download/video_resource_dialog.h"
#include "testing/gui_test.h"
#include "widgets/delete_tip_dialog.h"
#include "widgets/image_button.h"
#include "widgets/row_column.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>

namespace {

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

TEST(StreamDialog, PreselectsTheFirstRowAndReturnsTheLowestCheckedOne) {
    guiTestApp();
    QList<StreamChoice> rows = {
        {"Clip", "flv", 0, true}, {"Clip", "mp4", 1536, false}, {"Clip", "webm", 1024, false}};
    VideoResourceDialog dialog;
    dialog.setRows(&rows);
    EXPECT_FALSE(rows[0].checked);  // handed over unchecked
    QAbstractItemModel* model = dialog.m_tableView->model();
    EXPECT_EQ(model->headerData(2, Qt::Horizontal, Qt::DisplayRole).toString(), "Size");
    EXPECT_EQ(model->data(model->index(0, 2), Qt::DisplayRole).toString(), "Unknown");
    EXPECT_EQ(model->data(model->index(1, 2), Qt::DisplayRole).toString(), "1.50KB");
    EXPECT_EQ(model->data(model->index(2, 2), Qt::DisplayRole).toString(), "1024.00B");
    // The first row asked for becomes the checked one.
    EXPECT_EQ(model->data(model->index(1, 0), Qt::CheckStateRole).toInt(), Qt::Checked);
    model->setData(model->index(2, 0), Qt::Checked, Qt::CheckStateRole);
    dialog.OnBtnDown();
    EXPECT_EQ(dialog.selectedRow(), 1);
    model->setData(model->index(1, 0), Qt::Unchecked, Qt::CheckStateRole);
    model->setData(model->index(2, 0), Qt::Unchecked, Qt::CheckStateRole);
    dialog.OnBtnDown();
    EXPECT_EQ(dialog.selectedRow(), -1);
}

// A task list of thousands of restored tasks: every task is listed, only
// the rows in view build their widgets, a row scrolled to shows its own
// restored record, and the quit writes every task's progress back.
class LongTaskList : public AppDirTest {
protected:
    static constexpr int kTasks = 3000;

    void SetUp() override {
        QByteArray xml = "<?xml version='1.0'?>\n<List>\n";
        for (int i = 0; i < kTasks; ++i) {
            xml += QString(
                       "    <item url=\"http://127.0.0.1:9/page%1\"><anylisis>http://127.0.0.1:9/"
                       "v%1.flv</anylisis><Path>%2/Video %1.flv</Path><ReciveSize>%3</"
                       "ReciveSize><TotalSize>10485760</TotalSize></item>\n")
                       .arg(i)
                       .arg(path("downloads"))
                       .arg(qint64(i % 10) << 20)
                       .toUtf8();
        }
        writeFile("downloadtasklist.xml", xml + "</List>\n");
    }

    // The list of the file, shown with its rows in view placed.
    static void loadAndShow(DownloadingWidget& list) {
        list.resize(835, 500);
        list.loadTaskList();
        list.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
        list.rowColumn()->placeNow();
    }

    static int rowsWithForms(const DownloadingWidget& list) {
        return int(std::count_if(list.items().begin(), list.items().end(),
                                 [](const VideoProgressBar* row) { return row->hasForm(); }));
    }
};

TEST_F(LongTaskList, OnlyTheRowsInViewAreBuiltAndEveryTaskIsSavedAtQuit) {
    DownloadingWidget list;
    ASSERT_NO_FATAL_FAILURE(loadAndShow(list));
    ASSERT_EQ(list.items().size(), kTasks);
    const int built = rowsWithForms(list);
    EXPECT_GE(built, 4);
    EXPECT_LE(built, 12);
    EXPECT_EQ(list.items()[3]->m_labDownInfo->text(), "3MB/10MB - 0kb/s");

    VideoProgressBar* last = list.items().last();
    EXPECT_FALSE(last->hasForm());
    list.rowColumn()->ensureVisible(last);
    ASSERT_TRUE(last->hasForm());
    EXPECT_TRUE(last->isVisible());
    EXPECT_EQ(last->m_labVideoName->text(), QString("Video %1.flv").arg(kTasks - 1));
    EXPECT_EQ(last->m_labDownInfo->text(), QString("%1MB/10MB - 0kb/s").arg((kTasks - 1) % 10));
    EXPECT_TRUE(last->m_btnStart->isVisible());
    EXPECT_LE(rowsWithForms(list), 2 * built);

    // Scrolled through page by page, the list keeps a bounded number of
    // forms; the row scrolled back to shows its record again.
    for (VideoProgressBar* row : list.items())
        list.rowColumn()->ensureVisible(row);
    EXPECT_LE(rowsWithForms(list), RowColumn::kKeptRows);
    VideoProgressBar* fourth = list.items()[3];
    EXPECT_FALSE(fourth->hasForm());
    list.rowColumn()->ensureVisible(fourth);
    ASSERT_TRUE(fourth->hasForm());
    EXPECT_EQ(fourth->m_labDownInfo->text(), "3MB/10MB - 0kb/s");
    EXPECT_TRUE(fourth->m_labVideoName->isVisible());

    // The smaller rows: the column follows, the built rows take the height.
    list.m_btnSmallDisplay->click();
    list.rowColumn()->placeNow();
    EXPECT_EQ(list.rowColumn()->height(), kTasks * VideoProgressBar::rowHeight(false));
    EXPECT_EQ(last->height(), VideoProgressBar::rowHeight(false));

    // The quit writes back all of them, each with its own figures.
    ASSERT_TRUE(list.prepareExit());
    const auto saved = TaskListFile(path("downloadtasklist.xml")).loadTaskList();
    ASSERT_TRUE(saved.has_value());
    ASSERT_EQ(saved->size(), kTasks);
    for (int i : {0, 7, kTasks / 2, kTasks - 1}) {
        EXPECT_EQ(saved->at(i).url, QString("http://127.0.0.1:9/page%1").arg(i));
        EXPECT_EQ(saved->at(i).receivedSize, qint64(i % 10) << 20);
        EXPECT_EQ(saved->at(i).partPaths.value(0),
                  path("downloads") + QString("/Video %1.flv").arg(i));
    }
}

// The row's close button asks first: a "No" keeps the task and its part
// file on disk, a "Yes" removes both.
TEST_F(LongTaskList, TheCloseButtonRemovesTheFilesOnlyAfterTheAnswer) {
    store().user.showDeleteAgain = true;
    QDir().mkpath(path("downloads"));
    const QString part = path("downloads") + "/Video 0.flv";
    QFile(part).open(QIODevice::WriteOnly);
    DownloadingWidget list;
    ASSERT_NO_FATAL_FAILURE(loadAndShow(list));
    VideoProgressBar* first = list.items().first();
    ASSERT_TRUE(first->hasForm());

    first->m_btnclose->click();
    auto* question = list.findChild<DeleteTipDialog*>();
    ASSERT_TRUE(question);
    ASSERT_TRUE(QTest::qWaitFor([&] { return question->isVisible(); }, 10000));
    EXPECT_TRUE(QFile::exists(part));  // nothing is gone before the answer
    QTest::keyClick(question, Qt::Key_Escape);
    EXPECT_EQ(list.items().size(), kTasks);
    EXPECT_TRUE(QFile::exists(part));

    first->m_btnclose->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return question->isVisible(); }, 10000));
    QTest::keyClick(question, Qt::Key_Return);
    EXPECT_EQ(list.items().size(), kTasks - 1);
    EXPECT_FALSE(QFile::exists(part));
    EXPECT_FALSE(
        TaskListFile(path("downloadtasklist.xml")).loadTaskList()->value(0).url.endsWith("page0"));
}

}  // namespace
