// The shared notice popup: its place, its fade, a new notice restarting
// it, and a click.
#include <QElapsedTimer>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>

#include "testing/gui_test.h"
#include "widgets/notice_popup.h"

namespace {

class NoticePopupTest : public AppDirTest {
protected:
    ~NoticePopupTest() override { NoticePopup::shared().hide(); }
};

TEST_F(NoticePopupTest, SitsAtTheScreenCornerAndFadesAwayAfterItsOpaqueTime) {
    NoticePopup& popup = NoticePopup::shared();
    QElapsedTimer clock;
    clock.start();
    popup.showNotice("/image/add_information_bg.png");
    ASSERT_TRUE(popup.isVisible());
    EXPECT_EQ(popup.size(), QSize(260, 80));  // the picture's own size
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_EQ(popup.frameGeometry().bottomRight(), area.bottomRight());
    EXPECT_DOUBLE_EQ(popup.windowOpacity(), 1.0);

    // Still fully opaque until the fade begins, then fainter step by step.
    QTRY_VERIFY_WITH_TIMEOUT(popup.windowOpacity() < 1.0, 10000);
    EXPECT_GE(clock.elapsed(), NoticePopup::kOpaqueMs);
    EXPECT_TRUE(popup.isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(!popup.isVisible(), 10000);
    EXPECT_GE(clock.elapsed(), NoticePopup::kOpaqueMs + 8 * NoticePopup::kFadeStepMs);
}

TEST_F(NoticePopupTest, ANewNoticeRestartsTheFadeAndCarriesItsText) {
    NoticePopup& popup = NoticePopup::shared();
    popup.showNotice("/image/add_information_bg.png");
    QTRY_VERIFY_WITH_TIMEOUT(popup.windowOpacity() < 0.95, 10000);
    const QImage plain = popup.grab().toImage();

    popup.showNotice("/image/add_information_bg.png", "Finished: clip.mp4");
    EXPECT_DOUBLE_EQ(popup.windowOpacity(), 1.0);
    EXPECT_EQ(popup.text(), "Finished: clip.mp4");
    EXPECT_NE(popup.grab().toImage(), plain);  // the text is drawn over the picture
}

TEST_F(NoticePopupTest, AClickHidesItAndIsReported) {
    NoticePopup& popup = NoticePopup::shared();
    QSignalSpy clicks(&popup, &NoticePopup::clicked);
    popup.showNotice("/image/no such picture.png", "A file");
    EXPECT_EQ(popup.size(), QSize(260, 80));  // a plain panel keeps the text visible
    QTest::mouseClick(&popup, Qt::LeftButton);
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_FALSE(popup.isVisible());
}

}  // namespace
