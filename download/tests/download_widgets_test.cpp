// The download centre's widgets on their own: the head's tabs and counters,
// and the stream dialog's pre-selection, sizes and choice.
#include "download/download_head_widget.h"
#include "download/video_resource_dialog.h"
#include "testing/gui_test.h"
#include "widgets/image_button.h"

#include <QLabel>
#include <QSignalSpy>
#include <QTableView>

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

}  // namespace
