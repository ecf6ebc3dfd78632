#include <gtest/gtest.h>
#include <QEnterEvent>
#include <QSignalSpy>
#include <QTest>

#include "testing/gui_test.h"
#include "testing/temp_dir.h"
#include "widgets/slider_ctrl.h"

namespace {

class SliderTest : public GuiTest {
protected:
    void SetUp() override {
        auto path = [&](const char* name) { return QString::fromStdString((dir / name).string()); };
        QImage groove(300, 8, QImage::Format_ARGB32);
        groove.fill(Qt::lightGray);
        groove.save(path("groove.png"));
        QImage fill(300, 8, QImage::Format_ARGB32);
        fill.fill(Qt::darkCyan);
        fill.save(path("fill.png"));
        const QColor frames[4] = {Qt::red, Qt::green, Qt::blue, Qt::gray};
        writeFourFrameStrip(path("handle.png"), 20, 20, frames);

        ASSERT_TRUE(slider.setGrooveImage(path("groove.png")));
        ASSERT_TRUE(slider.setFillImage(path("fill.png")));
        handlePath = path("handle.png");
        slider.move(100, 100);
        slider.show();
    }

    // Sends a press at bar-local x.
    void pressAt(int x) { QTest::mousePress(&slider, Qt::LeftButton, {}, QPoint(x, 10)); }

    testing_support::TempDir dir;
    QString handlePath;
    qSliderCtrl slider;
};

TEST_F(SliderTest, GrooveSetsWidthAndAtLeastTwentyPixelsOfHeight) {
    EXPECT_EQ(slider.size(), QSize(300, 20));
}

TEST_F(SliderTest, ValueMapsToWholePixelsAndClampsOutsideTheRange) {
    slider.setValue(37.5);
    EXPECT_EQ(slider.position(), 112);  // 0.375 * 300 = 112.5, truncated
    slider.setValue(150);
    EXPECT_EQ(slider.value(), 100);
    EXPECT_EQ(slider.position(), 300);
    slider.setValue(-5);
    EXPECT_EQ(slider.value(), 0);
    EXPECT_EQ(slider.position(), 0);

    slider.setRange(1000, 3000);
    slider.setValue(2500);
    EXPECT_EQ(slider.position(), 225);
}

TEST_F(SliderTest, HandleFollowsTheValueCentredOnThePosition) {
    ASSERT_TRUE(slider.setHandleImage(handlePath));
    slider.setValue(50);
    EXPECT_EQ(slider.handle()->x(), 150 - 10);
    slider.setValue(1);
    EXPECT_EQ(slider.handle()->x(), 0);  // never left of the bar
}

TEST_F(SliderTest, ProgressBarIgnoresClicks) {
    slider.setInteractive(false);
    QSignalSpy spy(&slider, &qSliderCtrl::sendProgressValue);
    pressAt(150);
    QTest::mouseMove(&slider, QPoint(200, 10));
    EXPECT_EQ(spy.count(), 0);
    EXPECT_EQ(slider.position(), 0);
}

TEST_F(SliderTest, ClickAtTheCentreReportsOneHalf) {
    ASSERT_TRUE(slider.setHandleImage(handlePath));
    QSignalSpy spy(&slider, &qSliderCtrl::sendProgressValue);
    pressAt(150);
    ASSERT_EQ(spy.count(), 1);
    EXPECT_DOUBLE_EQ(spy[0][0].toDouble(), 0.5);  // (300 - 20) / 2 / (300 - 20)
    EXPECT_EQ(slider.position(), 140);
    EXPECT_EQ(slider.handle()->x(), 140);

    pressAt(5);  // within half a handle of the left end: ignored
    EXPECT_EQ(spy.count(), 1);
}

TEST_F(SliderTest, PressedMovesWithoutHandleClampToTheEnds) {
    QSignalSpy spy(&slider, &qSliderCtrl::sendProgressValue);
    pressAt(100);
    QMouseEvent beyond(QEvent::MouseMove, QPointF(400, 10), slider.mapToGlobal(QPointF(400, 10)),
                       Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&slider, &beyond);
    ASSERT_EQ(spy.count(), 2);
    EXPECT_DOUBLE_EQ(spy[1][0].toDouble(), 1.0);
    QMouseEvent before(QEvent::MouseMove, QPointF(-50, 10), slider.mapToGlobal(QPointF(-50, 10)),
                       Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&slider, &before);
    EXPECT_DOUBLE_EQ(spy[2][0].toDouble(), 0.0);
}

TEST_F(SliderTest, DraggingTheHandleBeyondEitherEndClamps) {
    ASSERT_TRUE(slider.setHandleImage(handlePath));
    slider.setDragEnabled(true);
    QSignalSpy spy(&slider, &qSliderCtrl::sendProgressValue);
    auto dragTo = [&](int barX) {
        QMouseEvent move(QEvent::MouseMove, QPointF(0, 0), slider.mapToGlobal(QPointF(barX, 10)),
                         Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        slider.btnMouseMove(&move, 5);
    };
    dragTo(1000);
    dragTo(-1000);
    dragTo(105);
    ASSERT_EQ(spy.count(), 3);
    EXPECT_DOUBLE_EQ(spy[0][0].toDouble(), 1.0);
    EXPECT_DOUBLE_EQ(spy[1][0].toDouble(), 0.0);
    EXPECT_DOUBLE_EQ(spy[2][0].toDouble(), 100.0 / 280);

    slider.setDragEnabled(false);
    dragTo(200);
    EXPECT_EQ(spy.count(), 3);
}

TEST_F(SliderTest, HandleDragSignalIsWiredAndCarriesThePressOffset) {
    ASSERT_TRUE(slider.setHandleImage(handlePath));
    slider.setDragEnabled(true);
    slider.setValue(50);
    QSignalSpy spy(&slider, &qSliderCtrl::sendProgressValue);
    QSliderCtrlBtn* handle = slider.handle();
    QTest::mousePress(handle, Qt::LeftButton, {}, QPoint(8, 10));
    EXPECT_EQ(handle->state(), 2);
    QMouseEvent move(QEvent::MouseMove, QPointF(18, 10), handle->mapToGlobal(QPointF(18, 10)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(handle, &move);
    ASSERT_EQ(spy.count(), 1);
    // The handle's left edge moves by the 10 pixels the pointer moved.
    EXPECT_EQ(slider.position(), 140 + 10);
    QTest::mouseRelease(handle, Qt::LeftButton, {}, QPoint(18, 10));
    EXPECT_EQ(handle->state(), 0);
}

}  // namespace

namespace {

TEST_F(SliderTest, HandleShowsOnlyWhileThePointerIsOverTheBar) {
    ASSERT_TRUE(slider.setHandleImage(handlePath));
    slider.setHandleOnHover(true);
    EXPECT_FALSE(slider.handle()->isVisible());
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), slider.mapToGlobal(QPointF(5, 5)));
    QCoreApplication::sendEvent(&slider, &enter);
    EXPECT_TRUE(slider.handle()->isVisible());
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(&slider, &leave);
    EXPECT_FALSE(slider.handle()->isVisible());
}

TEST_F(SliderTest, FillGrowsWithTheValueAndKeepsItsShareOnResize) {
    slider.setValue(50);
    QImage shown = slider.grab().toImage();
    EXPECT_EQ(shown.pixelColor(100, 10), QColor(Qt::darkCyan));
    EXPECT_EQ(shown.pixelColor(250, 10), QColor(Qt::lightGray));
    slider.resize(600, 20);
    EXPECT_EQ(slider.position(), 300);
}

}  // namespace
