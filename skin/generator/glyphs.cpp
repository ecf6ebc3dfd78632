#include "skin/generator/glyphs.h"

#include <array>

#include <QMap>
#include <QPainterPath>
#include <QtMath>
#include <functional>

namespace skin {

namespace {

// Glyphs are drawn in a 24 x 24 design square mapped onto the box.
struct Canvas {
    QPainter& p;
    QColor color;

    void stroke(const QPainterPath& path, double width = 2.0) {
        p.setPen(QPen(color, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        p.drawPath(path);
    }
    void fill(const QPainterPath& path, const QColor& c) {
        p.setPen(Qt::NoPen);
        p.setBrush(c);
        p.drawPath(path);
    }
    void fill(const QPainterPath& path) { fill(path, color); }
    void line(double x1, double y1, double x2, double y2, double width = 2.0) {
        QPainterPath path({x1, y1});
        path.lineTo(x2, y2);
        stroke(path, width);
    }
};

QPainterPath polygon(std::initializer_list<QPointF> points) {
    QPainterPath path;
    path.addPolygon(QPolygonF(points));
    path.closeSubpath();
    return path;
}

QPainterPath circle(double cx, double cy, double r) {
    QPainterPath path;
    path.addEllipse(QPointF(cx, cy), r, r);
    return path;
}

QPainterPath roundRect(double x, double y, double w, double h, double r) {
    QPainterPath path;
    path.addRoundedRect(QRectF(x, y, w, h), r, r);
    return path;
}

void downloadArrow(Canvas& c) {
    c.line(12, 3.5, 12, 14.5);
    QPainterPath head({7, 10});
    head.lineTo(12, 15);
    head.lineTo(17, 10);
    c.stroke(head);
    QPainterPath tray({4, 15});
    tray.lineTo(4, 20);
    tray.lineTo(20, 20);
    tray.lineTo(20, 15);
    c.stroke(tray);
}

void globe(Canvas& c) {
    c.stroke(circle(12, 12, 8.5), 1.8);
    QPainterPath meridian;
    meridian.addEllipse(QPointF(12, 12), 3.8, 8.5);
    c.stroke(meridian, 1.5);
    c.line(3.5, 12, 20.5, 12, 1.5);
    c.line(5, 7.5, 19, 7.5, 1.2);
    c.line(5, 16.5, 19, 16.5, 1.2);
}

void gear(Canvas& c) {
    QPainterPath teeth;
    for (int i = 0; i < 8; ++i) {
        const double a = i * M_PI / 4;
        teeth.moveTo(12 + 6.5 * qCos(a), 12 + 6.5 * qSin(a));
        teeth.lineTo(12 + 9.5 * qCos(a), 12 + 9.5 * qSin(a));
    }
    c.stroke(teeth, 3.0);
    c.stroke(circle(12, 12, 6.2), 2.2);
    c.stroke(circle(12, 12, 2.2), 1.8);
}

void folder(Canvas& c) {
    QPainterPath path({3, 7});
    path.lineTo(3, 19);
    path.lineTo(21, 19);
    path.lineTo(21, 8.5);
    path.lineTo(11.5, 8.5);
    path.lineTo(9.5, 5.5);
    path.lineTo(3.8, 5.5);
    path.closeSubpath();
    c.stroke(path);
    c.line(3, 11, 21, 11, 1.5);
}

void clock(Canvas& c) {
    c.stroke(circle(12, 12, 8.5));
    QPainterPath hands({12, 7});
    hands.lineTo(12, 12);
    hands.lineTo(15.5, 14);
    c.stroke(hands);
}

void closeCross(Canvas& c, double inset, double width) {
    c.line(inset, inset, 24 - inset, 24 - inset, width);
    c.line(24 - inset, inset, inset, 24 - inset, width);
}

void arrowCircle(Canvas& c) {
    QPainterPath arc;
    arc.arcMoveTo(QRectF(4, 4, 16, 16), 60);
    arc.arcTo(QRectF(4, 4, 16, 16), 60, 280);
    c.stroke(arc, 2.2);
    c.fill(polygon({{17.5, 2.5}, {19.8, 9.2}, {12.8, 8.0}}));
}

void badge(Canvas& c, const QColor& ground, const std::function<void()>& mark) {
    c.fill(circle(12, 12, 11), ground);
    mark();
}

const QColor kWhite(255, 255, 255);

}  // namespace

bool drawGlyph(QPainter& painter, const QString& name, const QRectF& box, const QColor& color) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const double side = qMin(box.width(), box.height());
    painter.translate(box.center().x() - side / 2, box.center().y() - side / 2);
    painter.scale(side / 24.0, side / 24.0);
    Canvas c{painter, color};
    Canvas white{painter, kWhite};

    static const QMap<QString, std::function<void(Canvas&, Canvas&)>> glyphs = {
        {"close", [](Canvas& c, Canvas&) { closeCross(c, 6.5, 2.0); }},
        {"closesmall", [](Canvas& c, Canvas&) { closeCross(c, 7, 2.4); }},
        {"maximize", [](Canvas& c, Canvas&) { c.stroke(roundRect(6, 6, 12, 12, 1.5), 1.8); }},
        {"minimize", [](Canvas& c, Canvas&) { c.line(6, 15, 18, 15, 2.0); }},
        {"info",
         [](Canvas& c, Canvas&) {
             c.stroke(circle(12, 12, 7.5), 1.6);
             c.line(12, 11, 12, 16, 2.0);
             c.fill(circle(12, 8, 1.2));
         }},
        {"menu",
         [](Canvas& c, Canvas&) {
             c.line(6, 8, 18, 8);
             c.line(6, 12, 18, 12);
             c.line(6, 16, 18, 16);
         }},
        {"download", [](Canvas& c, Canvas&) { downloadArrow(c); }},
        {"globe", [](Canvas& c, Canvas&) { globe(c); }},
        {"gear", [](Canvas& c, Canvas&) { gear(c); }},
        {"folder", [](Canvas& c, Canvas&) { folder(c); }},
        {"wrench",
         [](Canvas& c, Canvas&) {
             c.line(5, 19, 13, 11, 3.0);
             QPainterPath head;
             head.arcMoveTo(QRectF(11, 3, 10, 10), 200);
             head.arcTo(QRectF(11, 3, 10, 10), 200, 290);
             c.stroke(head, 2.4);
         }},
        {"reset", [](Canvas& c, Canvas&) { arrowCircle(c); }},
        {"refresh", [](Canvas& c, Canvas&) { arrowCircle(c); }},
        {"clock", [](Canvas& c, Canvas&) { clock(c); }},
        {"pause",
         [](Canvas& c, Canvas&) {
             c.fill(roundRect(7, 6, 3.5, 12, 1));
             c.fill(roundRect(13.5, 6, 3.5, 12, 1));
         }},
        {"play",
         [](Canvas& c, Canvas&) {
             c.fill(polygon({{8.5, 5.5}, {18.5, 12}, {8.5, 18.5}}));
         }},
        {"stop", [](Canvas& c, Canvas&) { c.fill(roundRect(7, 7, 10, 10, 1.5)); }},
        {"previous",
         [](Canvas& c, Canvas&) {
             c.fill(roundRect(6, 6.5, 2.5, 11, 1));
             c.fill(polygon({{18, 6.5}, {9.5, 12}, {18, 17.5}}));
         }},
        {"next",
         [](Canvas& c, Canvas&) {
             c.fill(roundRect(15.5, 6.5, 2.5, 11, 1));
             c.fill(polygon({{6, 6.5}, {14.5, 12}, {6, 17.5}}));
         }},
        {"slower",
         [](Canvas& c, Canvas&) {
             c.fill(polygon({{12, 7}, {4, 12}, {12, 17}}));
             c.fill(polygon({{20, 7}, {12, 12}, {20, 17}}));
         }},
        {"faster",
         [](Canvas& c, Canvas&) {
             c.fill(polygon({{4, 7}, {12, 12}, {4, 17}}));
             c.fill(polygon({{12, 7}, {20, 12}, {12, 17}}));
         }},
        // The player's sound, screen, list and slider-knob symbols.
        {"volume",
         [](Canvas& c, Canvas&) {
             c.fill(polygon({{4, 9.5}, {8, 9.5}, {13, 5}, {13, 19}, {8, 14.5}, {4, 14.5}}));
             QPainterPath wave;
             wave.arcMoveTo(QRectF(10, 7, 9, 10), -50);
             wave.arcTo(QRectF(10, 7, 9, 10), -50, 100);
             c.stroke(wave, 1.8);
         }},
        {"mute",
         [](Canvas& c, Canvas&) {
             c.fill(polygon({{4, 9.5}, {8, 9.5}, {13, 5}, {13, 19}, {8, 14.5}, {4, 14.5}}));
             c.line(15.5, 9.5, 20.5, 14.5, 1.8);
             c.line(20.5, 9.5, 15.5, 14.5, 1.8);
         }},
        {"fullscreen",
         [](Canvas& c, Canvas&) {
             for (auto [x, y, dx, dy] : {std::array{5, 5, 1, 1}, std::array{19, 5, -1, 1},
                                         std::array{5, 19, 1, -1}, std::array{19, 19, -1, -1}}) {
                 c.line(x, y, x + 4.5 * dx, y, 2.0);
                 c.line(x, y, x, y + 4.5 * dy, 2.0);
             }
         }},
        {"normalscreen",
         [](Canvas& c, Canvas&) {
             for (auto [x, y, dx, dy] : {std::array{10, 10, -1, -1}, std::array{14, 10, 1, -1},
                                         std::array{10, 14, -1, 1}, std::array{14, 14, 1, 1}}) {
                 c.line(x, y, x + 4.5 * dx, y, 2.0);
                 c.line(x, y, x, y + 4.5 * dy, 2.0);
             }
         }},
        {"listopen",
         [](Canvas& c, Canvas&) {
             for (double y : {7.0, 12.0, 17.0})
                 c.line(5, y, 14, y, 2.0);
             c.fill(polygon({{16, 8}, {20, 12}, {16, 16}}));
         }},
        {"listclose",
         [](Canvas& c, Canvas&) {
             for (double y : {7.0, 12.0, 17.0})
                 c.line(10, y, 19, y, 2.0);
             c.fill(polygon({{8, 8}, {4, 12}, {8, 16}}));
         }},
        {"knob",
         [](Canvas& c, Canvas& w) {
             w.fill(circle(12, 12, 8));
             c.fill(circle(12, 12, 4));
         }},
        {"camera",
         [](Canvas& c, Canvas&) {
             QPainterPath body = roundRect(3, 7.5, 18, 12, 2);
             c.stroke(body, 1.8);
             c.stroke(circle(12, 13.5, 3.5), 1.8);
             c.line(8.5, 7.5, 10, 5, 1.8);
             c.line(10, 5, 14, 5, 1.8);
             c.line(14, 5, 15.5, 7.5, 1.8);
         }},
        {"grid",
         [](Canvas& c, Canvas&) {
             c.fill(roundRect(5, 5, 6, 6, 1));
             c.fill(roundRect(13, 5, 6, 6, 1));
             c.fill(roundRect(5, 13, 6, 6, 1));
             c.fill(roundRect(13, 13, 6, 6, 1));
         }},
        {"list",
         [](Canvas& c, Canvas&) {
             for (double y : {7.0, 12.0, 17.0}) {
                 c.fill(circle(6, y, 1.4));
                 c.line(9.5, y, 19, y, 2.0);
             }
         }},
        {"edit",
         [](Canvas& c, Canvas&) {
             c.stroke(polygon({{15.5, 4.5}, {19.5, 8.5}, {9, 19}, {4.5, 19.5}, {5, 15}}), 1.8);
             c.line(13, 7, 17, 11, 1.5);
         }},
        {"disk",
         [](Canvas& c, Canvas&) {
             c.stroke(roundRect(4, 4, 16, 16, 2), 2.0);
             c.fill(roundRect(8, 4, 8, 5, 0.5));
             c.line(8, 15, 16, 15, 2.0);
         }},
        {"film",
         [](Canvas& c, Canvas&) {
             c.stroke(roundRect(4, 5, 16, 14, 2), 2.0);
             c.line(8, 5, 8, 19, 1.6);
             c.line(16, 5, 16, 19, 1.6);
             c.line(4, 12, 8, 12, 1.6);
             c.line(16, 12, 20, 12, 1.6);
         }},
        {"screen",
         [](Canvas& c, Canvas&) {
             c.stroke(roundRect(3.5, 5, 17, 11.5, 1.5), 2.0);
             c.line(9, 20, 15, 20, 2.0);
             c.line(12, 16.5, 12, 20, 2.0);
         }},
        {"note",
         [](Canvas& c, Canvas&) {
             c.line(10, 17, 10, 5, 2.0);
             c.line(10, 5, 18, 3.5, 2.0);
             c.line(18, 3.5, 18, 15, 2.0);
             c.fill(circle(7.5, 17.5, 2.8));
             c.fill(circle(15.5, 15.5, 2.8));
         }},
        {"star",
         [](Canvas& c, Canvas&) {
             QPolygonF star;
             for (int i = 0; i < 10; ++i) {
                 const double r = i % 2 ? 4.2 : 9.5;
                 const double a = -M_PI / 2 + i * M_PI / 5;
                 star << QPointF(12 + r * qCos(a), 12.8 + r * qSin(a));
             }
             QPainterPath path;
             path.addPolygon(star);
             path.closeSubpath();
             c.fill(path);
         }},
        {"check",
         [](Canvas& c, Canvas&) {
             QPainterPath tick({5, 12.5});
             tick.lineTo(10, 17.5);
             tick.lineTo(19, 7);
             c.stroke(tick, 2.4);
         }},
        {"convert",
         [](Canvas& c, Canvas&) {
             c.line(5, 8.5, 17, 8.5);
             c.fill(polygon({{16, 4.5}, {20.5, 8.5}, {16, 12.5}}));
             c.line(19, 15.5, 7, 15.5);
             c.fill(polygon({{8, 11.5}, {3.5, 15.5}, {8, 19.5}}));
         }},
        {"paste",
         [](Canvas& c, Canvas&) {
             c.stroke(roundRect(5, 5, 14, 16, 2), 2.0);
             c.fill(roundRect(8.5, 3, 7, 4, 1.2));
             c.line(8.5, 11.5, 15.5, 11.5, 1.6);
             c.line(8.5, 15, 13.5, 15, 1.6);
         }},
        {"hourglass",
         [](Canvas& c, Canvas&) {
             c.line(6, 4, 18, 4);
             c.line(6, 20, 18, 20);
             c.stroke(polygon({{7.5, 4}, {16.5, 4}, {12, 12}}), 1.8);
             c.stroke(polygon({{12, 12}, {16.5, 20}, {7.5, 20}}), 1.8);
             c.fill(polygon({{9.5, 19}, {14.5, 19}, {12, 15.5}}));
         }},
        {"up",
         [](Canvas& c, Canvas&) {
             c.fill(polygon({{5, 16}, {12, 7}, {19, 16}}));
         }},
        {"down",
         [](Canvas& c, Canvas&) {
             c.fill(polygon({{5, 8}, {12, 17}, {19, 8}}));
         }},
        {"grip",
         [](Canvas& c, Canvas&) {
             for (int i = 0; i < 3; ++i)
                 c.line(22 - i * 6, 22, 22, 22 - i * 6, 1.8);
         }},
        {"plusbig",
         [](Canvas& c, Canvas&) {
             c.stroke(circle(12, 12, 10), 1.4);
             c.line(12, 6.5, 12, 17.5, 2.2);
             c.line(6.5, 12, 17.5, 12, 2.2);
         }},
        {"warning",
         [](Canvas& c, Canvas& w) {
             QPainterPath tri;
             tri.addPolygon(QPolygonF({{12, 2}, {23, 21.5}, {1, 21.5}}));
             tri.closeSubpath();
             c.p.setPen(
                 QPen(QColor(240, 162, 30), 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
             c.p.setBrush(QColor(240, 162, 30));
             c.p.drawPath(tri);
             w.line(12, 8.5, 12, 14.5, 2.4);
             w.fill(circle(12, 18, 1.4));
         }},
        {"success",
         [](Canvas& c, Canvas& w) {
             badge(c, QColor(47, 174, 106), [&] {
                 QPainterPath tick({6.5, 12.5});
                 tick.lineTo(10.5, 16.5);
                 tick.lineTo(17.5, 8);
                 w.stroke(tick, 2.6);
             });
         }},
        {"error",
         [](Canvas& c, Canvas& w) {
             badge(c, QColor(224, 82, 82), [&] { closeCross(w, 7.5, 2.6); });
         }},
        {"playbadge",
         [](Canvas& c, Canvas& w) {
             c.fill(roundRect(1, 4, 22, 16, 4), QColor(240, 138, 36));
             w.fill(polygon({{9.5, 8}, {16, 12}, {9.5, 16}}));
         }},
        {"playoverlay",
         [](Canvas& c, Canvas& w) {
             c.fill(circle(12, 12, 11), QColor(0, 0, 0, 120));
             w.stroke(circle(12, 12, 10), 1.4);
             w.fill(polygon({{9.5, 7}, {17.5, 12}, {9.5, 17}}));
         }},
        {"appicon",
         [](Canvas& c, Canvas& w) {
             QLinearGradient ground(0, 0, 24, 24);
             ground.setColorAt(0, QColor(34, 160, 181));
             ground.setColorAt(1, QColor(17, 72, 86));
             c.p.setPen(Qt::NoPen);
             c.p.setBrush(ground);
             c.p.drawRoundedRect(QRectF(1, 1, 22, 22), 5.5, 5.5);
             // A film frame with a downward arrow: videos, fetched.
             w.stroke(roundRect(5, 5, 14, 10.5, 1.8), 1.6);
             w.fill(polygon({{10, 7.4}, {14.6, 10.2}, {10, 13}}));
             c.fill(roundRect(8, 16.3, 8, 2.6, 1.3), QColor(240, 138, 36));
             c.fill(polygon({{9.5, 18.6}, {14.5, 18.6}, {12, 21.3}}), QColor(240, 138, 36));
         }},
    };
    auto it = glyphs.find(name);
    if (it != glyphs.end())
        (*it)(c, white);
    painter.restore();
    return it != glyphs.end();
}

}  // namespace skin
