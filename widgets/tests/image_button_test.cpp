#include <gtest/gtest.h>
#include <QEnterEvent>
#include <QTest>

#include "testing/gui_test.h"
#include "testing/temp_dir.h"
#include "widgets/image_button.h"

namespace {

const QColor kFrames[4] = {Qt::red, Qt::green, Qt::blue, Qt::gray};

class ImageButtonTest : public GuiTest {
protected:
    void SetUp() override {
        stripPath = writeFourFrameStrip(QString::fromStdString((dir / "strip.png").string()), 50,
                                        30, kFrames);
        ASSERT_TRUE(button.setImage(stripPath));
        button.show();
    }

    // The colour the button shows, sampled from what it paints.
    QColor shownColour() { return button.grab().toImage().pixelColor(25, 15); }

    void enter() {
        QEnterEvent event(QPointF(5, 5), QPointF(5, 5), button.mapToGlobal(QPointF(5, 5)));
        QCoreApplication::sendEvent(&button, &event);
    }
    void leave() {
        QEvent event(QEvent::Leave);
        QCoreApplication::sendEvent(&button, &event);
    }

    testing_support::TempDir dir;
    QString stripPath;
    QImageButton button;
};

TEST_F(ImageButtonTest, StripOfFourGivesFrameSizedButton) {
    EXPECT_EQ(button.size(), QSize(50, 30));
    EXPECT_EQ(button.state(), QImageButton::Normal);
    EXPECT_EQ(shownColour(), kFrames[0]);
}

TEST_F(ImageButtonTest, HoverPressAndDisableShowTheirFrames) {
    enter();
    EXPECT_EQ(button.state(), QImageButton::Hovered);
    EXPECT_EQ(shownColour(), kFrames[1]);
    EXPECT_EQ(button.cursor().shape(), Qt::PointingHandCursor);

    QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(shownColour(), kFrames[2]);
    QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(button.state(), QImageButton::Normal);

    leave();
    EXPECT_EQ(button.cursor().shape(), Qt::ArrowCursor);
    button.setEnabled(false);
    EXPECT_EQ(button.state(), QImageButton::Disabled);
    EXPECT_EQ(shownColour(), kFrames[3]);
    enter();
    EXPECT_EQ(button.state(), QImageButton::Disabled);
    button.setEnabled(true);
    EXPECT_EQ(button.state(), QImageButton::Normal);
}

TEST_F(ImageButtonTest, PressLeaveReleaseReturnsToNormalAndClicks) {
    int clicks = 0;
    QObject::connect(&button, &QPushButton::clicked, [&] { ++clicks; });
    enter();
    QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(10, 10));
    leave();
    EXPECT_EQ(button.state(), QImageButton::Pressed);  // still held
    QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(200, 200));
    EXPECT_EQ(button.state(), QImageButton::Normal);
    EXPECT_EQ(clicks, 0);  // released outside: no click
    QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(clicks, 1);
}

TEST_F(ImageButtonTest, FailedLoadKeepsSizeAndDrawsNothing) {
    EXPECT_FALSE(button.setImage(QString::fromStdString((dir / "missing.png").string())));
    EXPECT_EQ(button.size(), QSize(50, 30));
    EXPECT_TRUE(button.image().isNull());
    QImage shown = button.grab().toImage();
    EXPECT_NE(shown.pixelColor(25, 15), kFrames[0]);
}

}  // namespace
