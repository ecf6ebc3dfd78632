#include <gtest/gtest.h>
#include <QTest>

#include "testing/gui_test.h"
#include "testing/temp_dir.h"
#include "widgets/image_widget.h"

namespace {

class ImageWidgetTest : public GuiTest {
protected:
    testing_support::TempDir dir;
};

TEST_F(ImageWidgetTest, StretchesThePictureOverTheWholeWidget) {
    QImage picture(4, 2, QImage::Format_ARGB32);
    picture.fill(Qt::red);
    for (int y = 0; y < 2; ++y)
        picture.setPixelColor(3, y, Qt::blue);
    const QString path = QString::fromStdString((dir / "picture.png").string());
    picture.save(path);

    QImageWidget widget;
    EXPECT_FALSE(widget.setImage(path + ".missing"));
    EXPECT_TRUE(widget.pixmap().isNull());
    ASSERT_TRUE(widget.setImage(path));
    widget.resize(400, 100);
    const QImage shown = widget.grab().toImage();
    EXPECT_EQ(shown.pixelColor(10, 90), QColor(Qt::red));
    EXPECT_EQ(shown.pixelColor(395, 5), QColor(Qt::blue));  // the last column, stretched
}

TEST_F(ImageWidgetTest, MovableWidgetFollowsTheMouseOnlyWhileHeld) {
    QWidget parent;
    parent.resize(400, 400);
    auto* widget = new QImageWidget(&parent);
    widget->setGeometry(50, 50, 100, 100);
    parent.show();

    QTest::mousePress(widget, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseMove(widget, QPoint(40, 30));
    EXPECT_EQ(widget->pos(), QPoint(50, 50));  // not movable: stays

    QTest::mouseRelease(widget, Qt::LeftButton, {}, QPoint(40, 30));
    widget->setMovable(true);
    QTest::mousePress(widget, Qt::LeftButton, {}, QPoint(10, 10));
    QMouseEvent drag(QEvent::MouseMove, QPointF(40, 30), widget->mapToGlobal(QPointF(40, 30)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &drag);
    EXPECT_EQ(widget->pos(), QPoint(80, 70));  // the press point stays under the pointer
    QTest::mouseRelease(widget, Qt::LeftButton, {}, QPoint(10, 10));
    QMouseEvent after(QEvent::MouseMove, QPointF(60, 60), widget->mapToGlobal(QPointF(60, 60)),
                      Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &after);
    EXPECT_EQ(widget->pos(), QPoint(80, 70));
}

}  // namespace
