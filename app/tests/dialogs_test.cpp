#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "app/delete_tip_dialog.h"
#include "app/message_dialog.h"
#include "app/preferences_dialog.h"
#include "app/product.h"
#include "app/tests/app_test_support.h"
#include "widgets/image_button.h"

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

class PreferencesDialogTest : public AppDirTest {
protected:
    void SetUp() override {
        store().user.downloadPath = "/user/down";
        store().user.convertPath = "/user/conv";
        store().defaults.downloadPath = "/factory/down";
        store().defaults.convertPath = "/factory/conv";
    }
};

TEST_F(PreferencesDialogTest, FillsFromTheStoreAndSwitchesPages) {
    store().user.closeToTray = false;
    PreferencesDialog dialog;
    EXPECT_EQ(dialog.size(), QSize(445, 410));
    EXPECT_EQ(dialog.m_comboMaxTask->count(), 16);
    EXPECT_EQ(dialog.m_comboMaxTask->currentText(), "5");
    EXPECT_EQ(dialog.m_comboUpdata->currentText(), "Every Day");
    EXPECT_TRUE(dialog.m_btnRadioExit->isChecked());
    EXPECT_EQ(dialog.m_textEditDown->text(), "/user/down");
    EXPECT_EQ(dialog.currentPage(), 0);
    dialog.OnbtnLocation();
    EXPECT_EQ(dialog.currentPage(), 2);
    EXPECT_FALSE(dialog.m_btnLocation->isEnabled());
    EXPECT_TRUE(dialog.m_btnGeneral->isEnabled());
    dialog.OnbtnDownload();
    EXPECT_EQ(dialog.currentPage(), 1);
}

TEST_F(PreferencesDialogTest, OkStoresCancelDoesNot) {
    PreferencesDialog dialog;
    dialog.show();
    dialog.m_textEditDown->setText("/chosen/down");
    dialog.OnbtnCancel();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(store().user.downloadPath, "/user/down");
    EXPECT_EQ(dialog.m_textEditDown->text(), "/chosen/down");  // still shown next time

    dialog.m_btnRadioExit->setChecked(true);
    QTest::mouseClick(dialog.m_btnOK, Qt::LeftButton);
    EXPECT_FALSE(store().user.closeToTray);
    EXPECT_EQ(store().user.downloadPath, "/chosen/down");
    EXPECT_EQ(store().user.convertPath, "/user/conv");
}

TEST_F(PreferencesDialogTest, DefaultAppliesWithoutOkAndResetTurnsQuestionsBackOn) {
    store().user.showCloseAgain = false;
    store().user.showDeleteAgain = false;
    PreferencesDialog dialog;
    dialog.m_comboMaxTask->setCurrentIndex(0);
    dialog.OnbtnDefault();
    dialog.OnbtnCancel();
    EXPECT_EQ(store().user.downloadPath, "/factory/down");
    EXPECT_EQ(store().user.convertPath, "/factory/conv");
    EXPECT_TRUE(store().user.showCloseAgain);
    EXPECT_TRUE(dialog.m_btnRadioMin->isChecked());
    EXPECT_EQ(dialog.m_comboMaxTask->currentText(), "5");
    EXPECT_EQ(dialog.m_textEditConvert->text(), "/factory/conv");

    store().user.showCloseAgain = false;
    store().user.showDeleteAgain = false;
    store().user.showDownSuccess = false;
    dialog.OnbtnReset();
    EXPECT_TRUE(store().user.showCloseAgain);
    EXPECT_TRUE(store().user.showDeleteAgain);
    EXPECT_TRUE(store().user.showDownSuccess);
}

}  // namespace
