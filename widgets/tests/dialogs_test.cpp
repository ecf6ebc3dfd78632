// The generic skinned dialogs: the message dialog's answers and titles, and
// the delete question's "Don't show it again".
#include <QCheckBox>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "core/product.h"
#include "testing/gui_test.h"
#include "widgets/delete_tip_dialog.h"
#include "widgets/image_button.h"
#include "widgets/message_dialog.h"

namespace {

class MessageDialogTest : public AppDirTest {
protected:
    // Opens a dialog with `flags`, clicks `pick` and returns the result, or
    // -1 while the dialog is still open.
    int resultOf(int flags, QImageButton* (QMessageDlg::*pick)() const) {
        QMessageDlg dialog;
        dialog.setFlags(flags);
        dialog.setMessage("Some text");
        dialog.open();
        QTest::mouseClick((dialog.*pick)(), Qt::LeftButton);
        return dialog.isVisible() ? -1 : dialog.result();
    }
};

TEST_F(MessageDialogTest, EachFlagAnswersWithItsCodes) {
    EXPECT_EQ(resultOf(0, &QMessageDlg::firstButton), 0x400);
    EXPECT_EQ(resultOf(0, &QMessageDlg::secondButton), 0x400000);
    EXPECT_EQ(resultOf(0, &QMessageDlg::closeButton), 0x400000);
    EXPECT_EQ(resultOf(0x400, &QMessageDlg::firstButton), 0x4000);
    EXPECT_EQ(resultOf(0x400, &QMessageDlg::secondButton), 0x10000);
    EXPECT_EQ(resultOf(0x400, &QMessageDlg::closeButton), 0x10000);  // never "Yes"
    EXPECT_EQ(resultOf(0x200, &QMessageDlg::firstButton), -1);       // stays open
    EXPECT_EQ(resultOf(0x200, &QMessageDlg::secondButton), 0x400000);
    EXPECT_EQ(resultOf(0x2 | 0x30 | 0x400, &QMessageDlg::firstButton), 0x4000);
}

TEST_F(MessageDialogTest, ShowMessageRunsModallyAndKeepsTheDefaultTitle) {
    QString shownTitle;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QMessageDlg*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        shownTitle = dialog->title();
        QTest::mouseClick(dialog->firstButton(), Qt::LeftButton);
    });
    EXPECT_EQ(showMessage("Url is error!", "", 0x400), 0x4000);
    EXPECT_EQ(shownTitle, product::displayName());
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QMessageDlg*>(QApplication::activeModalWidget());
        shownTitle = dialog->title();
        QTest::keyClick(dialog, Qt::Key_Escape);
    });
    EXPECT_EQ(showMessage("Url is error!", "Error", 0), 0x400000);
    EXPECT_EQ(shownTitle, "Error");
}

class DeleteTipTest : public AppDirTest {};

TEST_F(DeleteTipTest, DontShowAgainCountsOnlyWithOk) {
    DeleteTipDialog dialog;
    EXPECT_EQ(dialog.mode(), -1);
    dialog.setMode(2);
    QSignalSpy deletes(&dialog, &DeleteTipDialog::emitDelete);
    dialog.show();
    dialog.checkBox()->setChecked(true);
    QTest::mouseClick(dialog.cancelButton(), Qt::LeftButton);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(deletes.count(), 0);
    EXPECT_TRUE(store().user.showDeleteAgain);

    dialog.show();
    QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
    ASSERT_EQ(deletes.count(), 1);
    EXPECT_EQ(deletes[0][0].toInt(), 2);
    EXPECT_FALSE(store().user.showDeleteAgain);
    EXPECT_FALSE(dialog.isVisible());
}

}  // namespace
