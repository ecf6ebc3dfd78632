// The lazy column of a long list: only rows in view are built, placed and
// shown, whatever the scroll position, the removals and the row height; and
// the form a row builds and gives back.
#include <gtest/gtest.h>
#include <QPointer>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>

#include "testing/gui_test.h"
#include "widgets/row_column.h"
#include "widgets/row_form.h"

#include <set>

namespace {

class RowColumnTest : public GuiTest {
protected:
    void SetUp() override {
        area.resize(300, 400);
        column = new RowColumn(&area);
        column->setRowHeight(40);
        column->setPrepare([this](QWidget* row) { prepared.append(row); });
        for (int i = 0; i < kRows; ++i) {
            auto* row = new QWidget;
            row->setObjectName(QString::number(i));
            column->append(row);
        }
        area.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&area));
        column->placeNow();
    }

    // The indices of the rows shown on screen, in order.
    QList<int> shownRows() const {
        QList<int> shown;
        for (int i = 0; i < column->count(); ++i) {
            if (column->rows()[i]->isVisible())
                shown.append(i);
        }
        return shown;
    }

    static constexpr int kRows = 10000;
    QScrollArea area;
    RowColumn* column = nullptr;
    QList<QWidget*> prepared;
};

TEST_F(RowColumnTest, OnlyTheRowsInViewAreBuiltAndShownWhereverTheListIsScrolled) {
    // The column is as tall as every row; the viewport shows ten of them.
    EXPECT_EQ(column->height(), kRows * 40);
    const QList<int> atTop = shownRows();
    ASSERT_FALSE(atTop.isEmpty());
    EXPECT_EQ(atTop.first(), 0);
    EXPECT_LE(atTop.size(), 16);
    EXPECT_GE(atTop.size(), area.viewport()->height() / 40);
    EXPECT_EQ(prepared.size(), atTop.size());
    // A shown row sits in its place, across the column.
    EXPECT_EQ(column->rows()[3]->geometry(), QRect(0, 120, column->width(), 40));

    area.verticalScrollBar()->setValue(area.verticalScrollBar()->maximum());
    const QList<int> atEnd = shownRows();
    ASSERT_FALSE(atEnd.isEmpty());
    EXPECT_EQ(atEnd.last(), kRows - 1);
    EXPECT_LE(atEnd.size(), 16);
    EXPECT_FALSE(column->rows()[0]->isVisible());  // scrolled away: hidden again
    EXPECT_EQ(prepared.size(), atTop.size() + atEnd.size());
    // Each row is prepared once, however often it comes back into view.
    area.verticalScrollBar()->setValue(0);
    area.verticalScrollBar()->setValue(area.verticalScrollBar()->maximum());
    EXPECT_EQ(prepared.size(), atTop.size() + atEnd.size());
    EXPECT_EQ(std::set<QWidget*>(prepared.begin(), prepared.end()).size(),
              std::size_t(prepared.size()));
}

TEST_F(RowColumnTest, ARemovedRowLeavesItsPlaceToTheNextAndAnotherHeightRelaysTheView) {
    QWidget* second = column->rows()[1];
    QWidget* third = column->rows()[2];
    column->remove(second);
    column->placeNow();
    EXPECT_FALSE(second->isVisible());
    EXPECT_EQ(third->y(), 40);
    EXPECT_EQ(column->height(), (kRows - 1) * 40);
    delete second;

    column->setRowHeight(20);
    column->placeNow();
    EXPECT_EQ(column->height(), (kRows - 1) * 20);
    EXPECT_EQ(third->geometry(), QRect(0, 20, column->width(), 20));
    EXPECT_GE(shownRows().size(), area.viewport()->height() / 20);

    // A row far down is brought into view on request.
    QWidget* far = column->rows()[7000];
    column->ensureVisible(far);
    EXPECT_TRUE(far->isVisible());
    EXPECT_TRUE(area.viewport()->rect().contains(far->mapTo(area.viewport(), QPoint(0, 0))));

    column->clear();
    column->placeNow();
    EXPECT_EQ(column->count(), 0);
    EXPECT_TRUE(shownRows().isEmpty());
    EXPECT_FALSE(far->isVisible());
}

// Scrolling page by page through the whole list keeps at most kKeptRows
// rows prepared: the oldest hidden ones are released, and a released row
// that comes back into view is prepared again.
TEST_F(RowColumnTest, ScrollingThroughTheListReleasesTheRowsLongOutOfView) {
    QSet<QWidget*> held(prepared.begin(), prepared.end());
    QList<QWidget*> released;
    column->setPrepare([&](QWidget* row) {
        EXPECT_FALSE(held.contains(row));
        held.insert(row);
    });
    column->setRelease([&](QWidget* row) {
        EXPECT_FALSE(row->isVisible());
        EXPECT_TRUE(held.remove(row));
        released.append(row);
    });
    QScrollBar* bar = area.verticalScrollBar();
    for (int value = 0; value < bar->maximum(); value += bar->pageStep()) {
        bar->setValue(value);
        ASSERT_LE(held.size(), RowColumn::kKeptRows);
    }
    bar->setValue(bar->maximum());
    EXPECT_GT(released.size(), kRows - 2 * RowColumn::kKeptRows);
    for (int i : shownRows())
        EXPECT_TRUE(held.contains(column->rows()[i]));

    QWidget* first = column->rows()[0];
    ASSERT_TRUE(released.contains(first));
    bar->setValue(0);
    EXPECT_TRUE(first->isVisible());
    EXPECT_TRUE(held.contains(first));
}

// A row's form is what its build made: giving it back deletes that and
// leaves the row's other children, made before or after, alone.
TEST_F(RowColumnTest, ARowFormGivesBackOnlyTheWidgetsItsBuildMade) {
    QWidget* row = column->rows().first();
    ASSERT_TRUE(row->isVisible());
    auto* dialog = new QWidget(row);  // made before the form, never shown by it
    RowForm form;
    QPointer<QWidget> name, hidden, deletedByTheRow;
    form.build(row, [&] {
        name = new QWidget(row);
        hidden = new QWidget(row);
        hidden->hide();
        deletedByTheRow = new QWidget(row);
    });
    ASSERT_TRUE(form.built());
    EXPECT_TRUE(name->isVisible());
    EXPECT_FALSE(hidden->isVisible());
    EXPECT_FALSE(dialog->isVisible());
    form.build(row, [&] { ADD_FAILURE() << "built twice"; });

    auto* jobControl = new QWidget(row);  // made after the form
    delete deletedByTheRow.data();
    form.release();
    EXPECT_FALSE(form.built());
    EXPECT_TRUE(name.isNull());
    EXPECT_TRUE(hidden.isNull());
    EXPECT_EQ(row->findChildren<QWidget*>(Qt::FindDirectChildrenOnly),
              QList<QWidget*>({dialog, jobControl}));

    form.build(row, [&] { name = new QWidget(row); });
    EXPECT_TRUE(form.built());
    EXPECT_TRUE(name->isVisible());
}

}  // namespace
