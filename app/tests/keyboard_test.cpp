// The keyboard in the download centre and its dialogs, offscreen: Ctrl+V
// pastes a task, Delete removes the current row after the question (Enter
// confirms it), Enter starts the stream dialog's download and Escape
// cancels it; Tab reaches the image buttons, which then show their focus
// mark.
#include "app/main_select_widget.h"
#include "core/preferences_store.h"
#include "download/download_head_widget.h"
#include "download/downloading_widget.h"
#include "download/tests/download_fixture.h"
#include "download/video_progress_bar.h"
#include "download/video_resource_dialog.h"
#include "testing/fault_server.h"
#include "testing/gui_test.h"
#include "widgets/delete_tip_dialog.h"
#include "widgets/image_button.h"
#include "widgets/message_dialog.h"

#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace download_test;
using testing_support::patternBytes;

namespace {

class Keyboard : public GuiTest {
protected:
    Keyboard() {
        home.linkBuiltSkin();
        PreferencesStore::instance().resetToFallbacks();
        PreferencesStore::instance().user.downloadPath = qpath(home / "videos");
        server.serve("/v.bin", patternBytes(40000));
        server.start();
        writeScript(home.path(), streamBlock("/page", "Clip", {server.url("/v.bin")}));
    }

    void openCentre() {
        m_centre = std::make_unique<MainSelectWidget>();
        m_centre->resize(835, 500);
        m_centre->show();
        m_centre->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(m_centre.get()));
    }
    DownloadingWidget* list() const { return m_centre->downloadingList(); }

    // The stream dialog once it is up and has the keyboard.
    VideoResourceDialog* streamDialog() {
        VideoResourceDialog* dialog = nullptr;
        EXPECT_TRUE(waitFor([&] {
            dialog = qobject_cast<VideoResourceDialog*>(QApplication::activeModalWidget());
            return dialog && dialog->isVisible();
        }));
        if (dialog) {
            dialog->activateWindow();
            EXPECT_TRUE(QTest::qWaitForWindowActive(dialog));
        }
        return dialog;
    }

    testing_support::ScratchAppDir home;
    MediaServer server;
    std::unique_ptr<MainSelectWidget> m_centre;
};

TEST_F(Keyboard, CtrlVPastesAndTheStreamDialogAnswersEnterAndEscape) {
    openCentre();
    QGuiApplication::clipboard()->setText(QString::fromStdString(server.url("/page")));
    QTest::keyClick(m_centre.get(), Qt::Key_V, Qt::ControlModifier);
    ASSERT_EQ(list()->items().size(), 1);
    VideoProgressBar* row = list()->items().first();
    EXPECT_EQ(row->m_url.toStdString(), server.url("/page"));

    // Escape is the dialog's Cancel: the task reads as cancelled.
    VideoResourceDialog* dialog = streamDialog();
    ASSERT_TRUE(dialog);
    EXPECT_FALSE(dialog->m_btnCancel->isHidden());  // a way out besides the cross
    QTest::keyClick(dialog, Qt::Key_Escape);
    ASSERT_TRUE(waitFor([&] { return row->m_state == Failed; }));
    EXPECT_EQ(row->m_labFailReason->text(), "The stream choice was cancelled.");
    EXPECT_TRUE(!std::filesystem::exists(home / "videos") ||
                std::filesystem::is_empty(home / "videos"));  // nothing was downloaded

    // Enter is Download Now: the stream lands on disk.
    QSignalSpy finished(list(), &DownloadingWidget::emitOkBarInfo);
    row->OnBtnRefresh();
    dialog = streamDialog();
    ASSERT_TRUE(dialog);
    QTest::keyClick(dialog, Qt::Key_Return);
    ASSERT_TRUE(caught(finished, 60000));
    EXPECT_EQ(contentOf(finished.at(0).at(0).toString().toStdString()), patternBytes(40000));
}

TEST_F(Keyboard, DeleteAsksFirstAndEnterConfirms) {
    PreferencesStore::instance().user.showDeleteAgain = true;
    openCentre();
    list()->AddDowningBar("not an address");
    list()->AddDowningBar("nor this");
    ASSERT_EQ(list()->items().size(), 2);
    VideoProgressBar* second = list()->items().at(1);
    ASSERT_TRUE(waitFor([&] { return second->m_state == Failed; }));

    QTest::keyClick(m_centre.get(), Qt::Key_Delete);  // no current row: nothing happens
    EXPECT_EQ(list()->items().size(), 2);

    QTest::mouseClick(second, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::keyClick(m_centre.get(), Qt::Key_Delete);
    auto* question = list()->findChild<DeleteTipDialog*>();
    ASSERT_TRUE(question);
    ASSERT_TRUE(waitFor([&] { return question->isVisible(); }));
    EXPECT_EQ(list()->items().size(), 2);  // the row stays until the answer
    QTest::keyClick(question, Qt::Key_Escape);
    EXPECT_FALSE(question->isVisible());
    EXPECT_EQ(list()->items().size(), 2);

    QTest::keyClick(m_centre.get(), Qt::Key_Delete);
    ASSERT_TRUE(waitFor([&] { return question->isVisible(); }));
    QTest::keyClick(question, Qt::Key_Return);
    ASSERT_EQ(list()->items().size(), 1);
    EXPECT_EQ(list()->items().first()->m_url, "not an address");
}

TEST_F(Keyboard, MessageDialogsTakeEnterAsYesAndEscapeAsNo) {
    for (const auto& [key, expected] :
         {std::pair{Qt::Key_Return, msg::kResultYes}, std::pair{Qt::Key_Escape, msg::kResultNo}}) {
        QMessageDlg dialog;
        dialog.setMessage("Are you sure?");
        dialog.setTitle("Question");
        dialog.setFlags(msg::kYesNo);
        QTimer::singleShot(0, &dialog, [&dialog, key] {
            dialog.activateWindow();
            QTest::keyClick(&dialog, key);
        });
        EXPECT_EQ(dialog.exec(), expected);
    }
}

TEST_F(Keyboard, TabReachesTheImageButtonsAndShowsTheFocusMark) {
    openCentre();
    QImageButton* paste = m_centre->head()->m_btnPasteUrl;
    const QImage plain = paste->grab().toImage();
    bool reached = false;
    for (int i = 0; i < 40 && !reached; ++i) {
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : m_centre.get(),
                        Qt::Key_Tab);
        reached = paste->hasFocus();
    }
    ASSERT_TRUE(reached);
    EXPECT_NE(paste->grab().toImage(), plain);  // the mark is drawn
    // Space presses the focused button as a click does.
    QGuiApplication::clipboard()->setText("typed by keyboard");
    QTest::keyClick(paste, Qt::Key_Space);
    ASSERT_EQ(list()->items().size(), 1);
    EXPECT_EQ(list()->items().first()->m_url, "typed by keyboard");
}

}  // namespace
