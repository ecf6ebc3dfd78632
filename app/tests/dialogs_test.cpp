#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "app/preferences_dialog.h"
#include "testing/gui_test.h"
#include "widgets/image_button.h"

namespace {

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
    EXPECT_EQ(dialog.m_comboMaxTask->count(), 20);
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
