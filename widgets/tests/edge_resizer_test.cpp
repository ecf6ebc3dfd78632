// Edge resizing of a frameless window, also where a child covers the edge.
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>

#include "testing/gui_test.h"
#include "widgets/edge_resizer.h"

namespace {

class PressCounter : public QWidget {
public:
    using QWidget::QWidget;
    int presses = 0;

protected:
    void mousePressEvent(QMouseEvent*) override { ++presses; }
};

class EdgeResizerTest : public GuiTest {
protected:
    EdgeResizerTest() : child(&window), resizer(new EdgeResizer(&window, 4)) {
        window.setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
        window.setMinimumSize(200, 150);
        window.setGeometry(100, 100, 400, 300);
        child.setGeometry(0, 0, 400, 300);  // covers every edge
        window.show();
    }
    void send(QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
        const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, at, child.mapToGlobal(at), button, buttons, Qt::NoModifier);
        QApplication::sendEvent(&child, &event);
    }

    QWidget window;
    PressCounter child;
    EdgeResizer* resizer;
};

TEST_F(EdgeResizerTest, ADragFromAnEdgeOverAChildResizesTheWindow) {
    send(QEvent::MouseMove, QPoint(398, 150), Qt::NoButton);
    EXPECT_EQ(window.cursor().shape(), Qt::SizeHorCursor);
    send(QEvent::MouseButtonPress, QPoint(398, 150), Qt::LeftButton);
    send(QEvent::MouseMove, QPoint(448, 150), Qt::LeftButton);
    send(QEvent::MouseButtonRelease, QPoint(448, 150), Qt::NoButton);
    EXPECT_EQ(window.geometry(), QRect(100, 100, 450, 300));
    EXPECT_EQ(child.presses, 0) << "the edge press is the resizer's";

    send(QEvent::MouseMove, QPoint(200, 150), Qt::NoButton);
    EXPECT_EQ(window.cursor().shape(), Qt::ArrowCursor);
    send(QEvent::MouseButtonPress, QPoint(200, 150), Qt::LeftButton);
    EXPECT_EQ(child.presses, 1) << "inside the band the child gets its press";
}

TEST_F(EdgeResizerTest, ACornerDragStopsAtTheMinimumAndKeepsTheOppositeEdges) {
    send(QEvent::MouseButtonPress, QPoint(1, 1), Qt::LeftButton);
    send(QEvent::MouseMove, QPoint(351, 251), Qt::LeftButton);
    send(QEvent::MouseButtonRelease, QPoint(351, 251), Qt::NoButton);
    EXPECT_EQ(window.size(), QSize(200, 150));
    EXPECT_EQ(window.geometry().bottomRight(), QPoint(499, 399));
}

TEST_F(EdgeResizerTest, SwitchedOffItLeavesTheEdgesAlone) {
    resizer->setEnabled(false);
    send(QEvent::MouseButtonPress, QPoint(398, 150), Qt::LeftButton);
    send(QEvent::MouseMove, QPoint(448, 150), Qt::LeftButton);
    EXPECT_EQ(window.width(), 400);
    EXPECT_EQ(child.presses, 1);
}

}  // namespace
