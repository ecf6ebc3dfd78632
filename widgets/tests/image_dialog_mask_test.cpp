// Without a compositor a skinned dialog is cut to the pixels it paints, so
// that its rounded corners show the desktop instead of black; with one it
// keeps no mask.
#include "testing/gui_test.h"
#include "widgets/compositor.h"
#include "widgets/image_dialog.h"

#include <QImage>
#include <QPainter>
#include <QTest>

namespace {

class CompositorProbe {
public:
    explicit CompositorProbe(bool (*probe)()) { skinned::setCompositorProbe(probe); }
    ~CompositorProbe() { skinned::setCompositorProbe(nullptr); }
};

class MaskTest : public AppDirTest {
protected:
    // A 100x60 background whose corners are transparent (radius 12).
    void writeRoundedBackground() {
        QImage image(100, 60, QImage::Format_ARGB32);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setBrush(QColor(40, 120, 140));
        painter.setPen(Qt::NoPen);
        painter.drawRoundedRect(QRectF(0, 0, 100, 60), 12, 12);
        painter.end();
        image.save(path("rounded.png"));
    }
};

TEST_F(MaskTest, WithoutACompositorTheCornersAreCutAway) {
    writeRoundedBackground();
    const CompositorProbe none([] { return false; });
    QImageDialog dialog;
    ASSERT_TRUE(dialog.setBackground(path("rounded.png"), true));
    dialog.show();
    const QRegion mask = dialog.mask();
    ASSERT_FALSE(mask.isEmpty());
    EXPECT_FALSE(mask.contains(QPoint(0, 0)));
    EXPECT_FALSE(mask.contains(QPoint(99, 59)));
    EXPECT_TRUE(mask.contains(QPoint(50, 30)));
    EXPECT_TRUE(mask.contains(QPoint(0, 30)));  // the straight edge stays
}

TEST_F(MaskTest, WithACompositorThereIsNoMask) {
    writeRoundedBackground();
    const CompositorProbe running([] { return true; });
    QImageDialog dialog;
    ASSERT_TRUE(dialog.setBackground(path("rounded.png"), true));
    dialog.show();
    EXPECT_TRUE(dialog.mask().isEmpty());
}

}  // namespace
