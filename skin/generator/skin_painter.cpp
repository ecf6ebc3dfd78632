#include "skin/generator/skin_painter.h"

#include <QFont>
#include <QFontMetricsF>
#include <QLinearGradient>
#include <QMap>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QtMath>
#include <functional>

#include "skin/generator/glyphs.h"

namespace skin {

namespace {

// One palette for the whole skin: deep teal chrome, light surfaces, an
// orange accent for the actions that fetch something.
namespace colour {
const QColor ink(15, 42, 51);
const QColor ink2(23, 65, 77);
const QColor teal(26, 119, 137);
const QColor tealHover(34, 144, 165);
const QColor tealPressed(19, 92, 106);
const QColor aqua(60, 196, 214);
const QColor orange(240, 138, 36);
const QColor orangeHover(245, 156, 64);
const QColor orangePressed(213, 116, 16);
const QColor surface(244, 247, 249);
const QColor white(255, 255, 255);
const QColor border(213, 223, 228);
const QColor text(31, 45, 51);
const QColor muted(114, 131, 139);
const QColor faint(169, 182, 188);
const QColor disabledFill(230, 236, 239);
const QColor danger(224, 82, 82);
const QColor playerInk(27, 31, 34);
const QColor playerInk2(38, 43, 47);
}  // namespace colour

enum State { Normal, Hover, Pressed, Disabled };

QFont uiFont(double pixelSize, bool bold) {
    QFont font("DejaVu Sans");
    font.setPixelSize(qRound(pixelSize));
    font.setBold(bold);
    font.setHintingPreference(QFont::PreferFullHinting);
    return font;
}

QColor withAlpha(QColor c, int alpha) {
    c.setAlpha(alpha);
    return c;
}

struct ContentMetrics {
    double glyphSide;
    QFont font;
    double textWidth;
    double gap;
    double total() const { return glyphSide + gap + textWidth; }
};

ContentMetrics measureContent(const QRectF& area, const QString& glyph, const QString& label,
                              bool bold) {
    ContentMetrics m;
    m.glyphSide = glyph.isEmpty()   ? 0
                  : label.isEmpty() ? qMin(area.width(), area.height()) * 0.72
                                    : qMin(18.0, area.height() * 0.58);
    m.font = uiFont(qBound(11.0, area.height() * 0.42, 13.0), bold);
    m.textWidth = label.isEmpty() ? 0 : QFontMetricsF(m.font).horizontalAdvance(label);
    m.gap = (!glyph.isEmpty() && !label.isEmpty()) ? 6 : 0;
    return m;
}

// A glyph and a label side by side, the pair centred in `area`.
void drawContent(QPainter& p, const QRectF& area, const QString& glyph, const QString& label,
                 const QColor& glyphColour, const QColor& textColour, bool bold) {
    const ContentMetrics m = measureContent(area, glyph, label, bold);
    double x = area.center().x() - m.total() / 2;
    if (!glyph.isEmpty()) {
        drawGlyph(p, glyph,
                  QRectF(x, area.center().y() - m.glyphSide / 2, m.glyphSide, m.glyphSide),
                  glyphColour);
        x += m.glyphSide + m.gap;
    }
    if (!label.isEmpty()) {
        p.setFont(m.font);
        p.setPen(textColour);
        p.drawText(QRectF(x, area.top(), m.textWidth + 2, area.height()),
                   Qt::AlignLeft | Qt::AlignVCenter, label);
    }
}

struct Frame {
    QPainter& p;
    QRectF rect;
    State state;
    QString glyph;
    QString label;
};

void pill(QPainter& p, const QRectF& r, const QColor& fill, const QColor& line, double radius) {
    p.setPen(line.isValid() ? QPen(line, 1) : QPen(Qt::NoPen));
    p.setBrush(fill);
    p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
}

void filledButton(Frame& f, const QColor& normal, const QColor& hover, const QColor& pressed) {
    const QColor fills[] = {normal, hover, pressed, colour::disabledFill};
    QRectF r = f.rect.adjusted(0, 0, 0, -1);
    if (f.state != Disabled)
        pill(f.p, r.translated(0, 1), withAlpha(colour::ink, 40), {}, 5);
    pill(f.p, r, fills[f.state], {}, 5);
    if (f.state == Normal || f.state == Hover) {
        QLinearGradient shine(r.topLeft(), r.bottomLeft());
        shine.setColorAt(0, withAlpha(colour::white, 40));
        shine.setColorAt(1, withAlpha(colour::white, 0));
        f.p.setBrush(shine);
        f.p.setPen(Qt::NoPen);
        f.p.drawRoundedRect(r, 5, 5);
    }
    const QColor ink = f.state == Disabled ? colour::faint : colour::white;
    drawContent(f.p, r.translated(0, f.state == Pressed ? 1 : 0), f.glyph, f.label, ink, ink, true);
}

void outlinedButton(Frame& f, const QColor& accent) {
    const QColor fills[] = {colour::white, QColor(238, 246, 248), QColor(220, 235, 239),
                            colour::disabledFill};
    const QColor lines[] = {colour::border, accent, accent, colour::border};
    QRectF r = f.rect.adjusted(0, 0, 0, -1);
    if (f.state != Disabled)
        pill(f.p, r.translated(0, 1), withAlpha(colour::ink, 22), {}, 5);
    pill(f.p, r, fills[f.state], lines[f.state], 5);
    const QColor ink = f.state == Disabled ? colour::faint : colour::text;
    const QColor glyphInk = f.state == Disabled ? colour::faint : accent;
    drawContent(f.p, r.translated(0, f.state == Pressed ? 1 : 0), f.glyph, f.label, glyphInk, ink,
                false);
}

// Glyph buttons on the dark header: a soft plate appears under the pointer.
void chromeButton(Frame& f) {
    const bool close = f.glyph == "close";
    const QColor plates[] = {QColor(), withAlpha(colour::white, 46), withAlpha(colour::white, 80),
                             QColor()};
    QColor plate = plates[f.state];
    if (close && f.state == Hover)
        plate = colour::danger;
    if (close && f.state == Pressed)
        plate = colour::danger.darker(120);
    if (plate.isValid())
        pill(f.p, f.rect, plate, {}, 4);
    const QColor ink = f.state == Disabled ? withAlpha(colour::white, 80)
                       : f.state == Normal ? withAlpha(colour::white, 215)
                                           : colour::white;
    drawGlyph(f.p, f.glyph, f.rect.adjusted(2, 2, -2, -2), ink);
}

// The two page buttons on the header. The disabled frame is the page on
// show: a light tab that joins the content below it.
void pageTab(Frame& f) {
    QRectF r = f.rect.adjusted(1, 3, -1, 0);
    QPainterPath tab;
    tab.addRoundedRect(r.adjusted(0, 0, 0, 8), 7, 7);
    QPainterPath clip;
    clip.addRect(r);
    tab = tab.intersected(clip);
    QColor ink = withAlpha(colour::white, 200);
    if (f.state == Hover)
        f.p.fillPath(tab, withAlpha(colour::white, 34));
    if (f.state == Pressed)
        f.p.fillPath(tab, withAlpha(colour::white, 60));
    if (f.state == Disabled) {
        f.p.fillPath(tab, colour::surface);
        f.p.fillRect(QRectF(r.left() + 14, r.top(), r.width() - 28, 3), colour::orange);
        ink = colour::teal;
    } else if (f.state != Normal) {
        ink = colour::white;
    }
    drawContent(f.p, r.adjusted(0, 2, 0, 0), f.glyph, f.label,
                f.state == Disabled ? colour::orange : ink, ink, true);
}

// Tabs on a light ground (dialog pages, list heads): the disabled frame is
// the selected tab, marked by a teal underline.
void lightTab(Frame& f, bool countRoom) {
    QRectF r = f.rect;
    if (f.state == Hover)
        pill(f.p, r.adjusted(1, 1, -1, -1), QColor(229, 239, 243), {}, 5);
    if (f.state == Pressed)
        pill(f.p, r.adjusted(1, 1, -1, -1), QColor(214, 230, 236), {}, 5);
    if (f.state == Disabled) {
        pill(f.p, r.adjusted(1, 1, -1, -1), colour::white, colour::border, 5);
        f.p.fillRect(QRectF(r.left() + 8, r.bottom() - 3, r.width() - 16, 3), colour::teal);
    }
    const QColor ink = f.state == Disabled ? colour::teal : colour::text;
    const QColor glyphInk = f.state == Disabled ? colour::teal : colour::muted;
    // List-head tabs leave room on the right for the counter the program
    // draws over them.
    const QRectF content = countRoom ? r.adjusted(4, 0, -30, 0) : r;
    drawContent(f.p, content, f.glyph, f.label, glyphInk, ink, f.state == Disabled);
    if (countRoom) {
        pill(f.p, QRectF(r.right() - 32, r.center().y() - 9, 26, 18),
             f.state == Disabled ? colour::teal : QColor(222, 231, 235), {}, 9);
    }
}

void roundButton(Frame& f, bool dark) {
    const QColor plates[] = {QColor(), dark ? withAlpha(colour::white, 30) : QColor(223, 238, 242),
                             dark ? withAlpha(colour::white, 55) : QColor(203, 227, 233), QColor()};
    if (plates[f.state].isValid()) {
        f.p.setPen(Qt::NoPen);
        f.p.setBrush(plates[f.state]);
        f.p.drawEllipse(f.rect.adjusted(0.5, 0.5, -0.5, -0.5));
    }
    QColor ink = dark ? QColor(210, 218, 222) : colour::teal;
    if (f.state == Hover || f.state == Pressed)
        ink = dark ? colour::white : colour::tealPressed;
    if (f.state == Disabled)
        ink = dark ? QColor(90, 98, 104) : colour::faint;
    drawGlyph(f.p, f.glyph, f.rect.adjusted(4, 4, -4, -4), ink);
}

void iconButton(Frame& f, bool dark) {
    const bool close = f.glyph.startsWith("close");
    QColor inks[] = {dark ? QColor(150, 158, 164) : colour::muted,
                     close ? colour::danger : (dark ? colour::white : colour::teal),
                     close ? colour::danger.darker(125) : colour::tealPressed,
                     dark ? QColor(80, 86, 90) : colour::faint};
    drawGlyph(f.p, f.glyph, f.rect, inks[f.state]);
}

void starButton(Frame& f) {
    const QColor inks[] = {colour::faint, colour::orangeHover, colour::orangePressed,
                           colour::orange};
    drawGlyph(f.p, "star", f.rect, inks[f.state]);
}

void darkMainButton(Frame& f) {
    const QColor fills[] = {colour::teal, colour::tealHover, colour::tealPressed,
                            QColor(60, 66, 70)};
    f.p.setPen(Qt::NoPen);
    f.p.setBrush(fills[f.state]);
    f.p.drawEllipse(f.rect.adjusted(1, 1, -1, -1));
    drawGlyph(f.p, f.glyph, f.rect.adjusted(10, 10, -10, -10),
              f.state == Disabled ? QColor(120, 126, 130) : colour::white);
}

void rowFrame(Frame& f) {
    const QColor fills[] = {colour::white, QColor(243, 249, 251), QColor(228, 242, 246),
                            colour::white};
    f.p.fillRect(f.rect, fills[f.state]);
    if (f.state == Pressed)
        f.p.fillRect(QRectF(f.rect.left(), f.rect.top(), 3, f.rect.height()), colour::teal);
    f.p.fillRect(QRectF(f.rect.left(), f.rect.bottom() - 1, f.rect.width(), 1), colour::border);
}

void scrollButton(Frame& f, bool dark) {
    const QColor inks[] = {
        dark ? QColor(140, 148, 152) : colour::muted, dark ? colour::white : colour::teal,
        dark ? colour::aqua : colour::tealPressed, dark ? QColor(80, 86, 90) : colour::faint};
    drawGlyph(f.p, f.glyph, f.rect, inks[f.state]);
}

// The right end of the browser's floating download button.
void accentClose(Frame& f) {
    const QColor fills[] = {colour::orange, colour::orangeHover, colour::orangePressed,
                            colour::disabledFill};
    QPainterPath shape;
    shape.addRoundedRect(f.rect.adjusted(-6, 0, 0, 0), 5, 5);
    QPainterPath clip;
    clip.addRect(f.rect);
    f.p.fillPath(shape.intersected(clip), fills[f.state]);
    f.p.fillRect(QRectF(f.rect.left(), f.rect.top() + 6, 1, f.rect.height() - 12),
                 withAlpha(colour::white, 120));
    drawGlyph(f.p, f.glyph, f.rect.adjusted(8, 8, -8, -8), colour::white);
}

using FramePainter = std::function<void(Frame&)>;

const QMap<QString, FramePainter>& frameLooks() {
    static const QMap<QString, FramePainter> looks = {
        {"primary",
         [](Frame& f) { filledButton(f, colour::teal, colour::tealHover, colour::tealPressed); }},
        {"accent",
         [](Frame& f) {
             filledButton(f, colour::orange, colour::orangeHover, colour::orangePressed);
         }},
        {"secondary", [](Frame& f) { outlinedButton(f, colour::teal); }},
        {"warning", [](Frame& f) { outlinedButton(f, colour::orange); }},
        {"chrome", chromeButton},
        {"pagetab", pageTab},
        {"tab", [](Frame& f) { lightTab(f, false); }},
        {"headtab", [](Frame& f) { lightTab(f, true); }},
        {"round", [](Frame& f) { roundButton(f, false); }},
        {"dark", [](Frame& f) { roundButton(f, true); }},
        {"darkmain", darkMainButton},
        {"icon", [](Frame& f) { iconButton(f, false); }},
        {"darkicon", [](Frame& f) { iconButton(f, true); }},
        {"star", starButton},
        {"row", rowFrame},
        {"scrollbtn", [](Frame& f) { scrollButton(f, false); }},
        {"darkscroll", [](Frame& f) { scrollButton(f, true); }},
        {"accentclose", accentClose},
    };
    return looks;
}

// ---- backgrounds -----------------------------------------------------------

struct Ground {
    QPainter& p;
    QRectF rect;
    const SkinEntry& entry;
    QString title() const { return entry.attribute("title"); }
    QString glyph() const { return entry.attribute("glyph"); }
};

void verticalGradient(QPainter& p, const QRectF& r, const QColor& top, const QColor& bottom) {
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    p.fillRect(r, g);
}

void shadowedCard(QPainter& p, const QRectF& r, double radius, const QColor& fill) {
    for (int i = 4; i >= 1; --i) {
        pill(p, r.adjusted(-i + 4, -i + 5, i - 4, i - 3), withAlpha(colour::ink, 10), {},
             radius + i);
    }
    pill(p, r.adjusted(4, 3, -4, -5), fill, colour::border, radius);
}

void header(Ground& g) {
    verticalGradient(g.p, g.rect, colour::ink, colour::ink2);
    // A faint diagonal weave keeps the large dark area from looking flat.
    g.p.setPen(QPen(withAlpha(colour::white, 7), 1));
    for (double x = -g.rect.height(); x < g.rect.width(); x += 14) {
        g.p.drawLine(QPointF(x, g.rect.height()), QPointF(x + g.rect.height(), 0));
    }
    QRadialGradient glow(QPointF(g.rect.width() * 0.75, 0), g.rect.width() * 0.45);
    glow.setColorAt(0, withAlpha(colour::aqua, 40));
    glow.setColorAt(1, withAlpha(colour::aqua, 0));
    g.p.fillRect(g.rect, glow);
}

void footer(Ground& g) {
    verticalGradient(g.p, g.rect, QColor(233, 239, 242), QColor(222, 230, 234));
    g.p.fillRect(QRectF(0, 0, g.rect.width(), 1), colour::border);
}

void logo(Ground& g) {
    drawGlyph(g.p, "appicon", QRectF(10, 4, 36, 36), {});
    g.p.setPen(colour::white);
    g.p.setFont(uiFont(21, true));
    g.p.drawText(QRectF(54, 2, 160, 26), Qt::AlignLeft | Qt::AlignVCenter, "Clipwright");
    g.p.setPen(withAlpha(colour::aqua, 230));
    g.p.setFont(uiFont(10, false));
    g.p.drawText(QRectF(55, 26, 160, 14), Qt::AlignLeft | Qt::AlignVCenter,
                 "download  \u00b7  convert  \u00b7  play");
}

void splash(Ground& g) {
    QRectF card = g.rect.adjusted(6, 6, -6, -6);
    for (int i = 6; i >= 1; --i)
        pill(g.p, card.adjusted(-i, -i + 2, i, i + 2), withAlpha(QColor(0, 0, 0), 9), {}, 14 + i);
    QPainterPath shape;
    shape.addRoundedRect(card, 14, 14);
    QLinearGradient ground(card.topLeft(), card.bottomRight());
    ground.setColorAt(0, QColor(20, 58, 70));
    ground.setColorAt(1, colour::ink);
    g.p.fillPath(shape, ground);
    g.p.save();
    g.p.setClipPath(shape);
    QRadialGradient glow(QPointF(card.center().x(), 150), 240);
    glow.setColorAt(0, withAlpha(colour::aqua, 70));
    glow.setColorAt(1, withAlpha(colour::aqua, 0));
    g.p.fillRect(card, glow);
    g.p.setPen(QPen(withAlpha(colour::white, 8), 1));
    for (double x = -440; x < 520; x += 16)
        g.p.drawLine(QPointF(x, 440), QPointF(x + 440, 0));
    g.p.restore();
    drawGlyph(g.p, "appicon", QRectF(g.rect.center().x() - 60, 70, 120, 120), {});
    g.p.setPen(colour::white);
    g.p.setFont(uiFont(38, true));
    g.p.drawText(QRectF(0, 210, g.rect.width(), 50), Qt::AlignCenter, "Clipwright");
    g.p.setPen(withAlpha(colour::aqua, 235));
    g.p.setFont(uiFont(14, false));
    g.p.drawText(QRectF(0, 262, g.rect.width(), 24), Qt::AlignCenter,
                 "Download, convert and play the videos you find");
    g.p.setPen(withAlpha(colour::white, 150));
    g.p.setFont(uiFont(12, false));
    g.p.drawText(QRectF(108, 362, 304, 20), Qt::AlignLeft | Qt::AlignVCenter, "Starting\u2026");
    g.p.drawText(QRectF(108, 362, 304, 20), Qt::AlignRight | Qt::AlignVCenter, "version 0.1");
}

// A dialog: rounded card with a teal title band; the close button is placed
// by the program at the top right.
void dialog(Ground& g) {
    const QRectF card = g.rect.adjusted(2, 1, -2, -3);
    for (int i = 3; i >= 1; --i)
        pill(g.p, card.adjusted(-i, -i + 1, i, i + 1), withAlpha(QColor(0, 0, 0), 14), {}, 8 + i);
    QPainterPath shape;
    shape.addRoundedRect(card, 8, 8);
    g.p.fillPath(shape, colour::white);
    g.p.save();
    g.p.setClipPath(shape);
    verticalGradient(g.p, QRectF(card.left(), card.top(), card.width(), 36), colour::tealHover,
                     colour::teal);
    g.p.fillRect(QRectF(card.left(), card.bottom() - 44, card.width(), 44), colour::surface);
    g.p.fillRect(QRectF(card.left(), card.bottom() - 44, card.width(), 1), colour::border);
    g.p.restore();
    g.p.setPen(QPen(colour::tealPressed, 1));
    g.p.setBrush(Qt::NoBrush);
    g.p.drawRoundedRect(card.adjusted(0.5, 0.5, -0.5, -0.5), 8, 8);
    drawGlyph(g.p, "appicon", QRectF(card.left() + 10, card.top() + 8, 20, 20), {});
    g.p.setPen(colour::white);
    g.p.setFont(uiFont(13, true));
    g.p.drawText(QRectF(card.left() + 38, card.top(), card.width() - 80, 36),
                 Qt::AlignLeft | Qt::AlignVCenter, g.title());
}

void page(Ground& g) {
    pill(g.p, g.rect, colour::white, colour::border, 6);
    drawGlyph(g.p, g.glyph(), QRectF(14, 12, 18, 18), colour::teal);
    g.p.setPen(colour::text);
    g.p.setFont(uiFont(13, true));
    g.p.drawText(QRectF(40, 8, g.rect.width() - 50, 26), Qt::AlignLeft | Qt::AlignVCenter,
                 g.title());
    g.p.fillRect(QRectF(14, 38, g.rect.width() - 28, 1), colour::border);
}

void messageTop(Ground& g) {
    QPainterPath shape;
    shape.addRoundedRect(g.rect.adjusted(0, 0, 0, 10), 8, 8);
    QPainterPath clip;
    clip.addRect(g.rect);
    QLinearGradient band(g.rect.topLeft(), g.rect.bottomLeft());
    band.setColorAt(0, colour::tealHover);
    band.setColorAt(1, colour::teal);
    g.p.fillPath(shape.intersected(clip), band);
}

void messageBottom(Ground& g) {
    QPainterPath shape;
    shape.addRoundedRect(g.rect.adjusted(0, -10, 0, 0), 8, 8);
    QPainterPath clip;
    clip.addRect(g.rect);
    const QPainterPath visible = shape.intersected(clip);
    g.p.fillPath(visible, colour::surface);
    g.p.fillRect(QRectF(1, 0, g.rect.width() - 2, 1), colour::border);
    g.p.setPen(QPen(colour::border, 1));
    g.p.setBrush(Qt::NoBrush);
    QPainterPath outline;
    outline.addRoundedRect(g.rect.adjusted(0.5, -10, -0.5, -0.5), 8, 8);
    g.p.drawPath(outline.intersected(clip));
}

void toolbar(Ground& g) {
    verticalGradient(g.p, g.rect, colour::surface, QColor(236, 242, 245));
    g.p.fillRect(QRectF(0, g.rect.height() - 1, g.rect.width(), 1), colour::border);
}

void emptyPanel(Ground& g) {
    g.p.fillRect(g.rect, colour::surface);
    const QPointF centre(g.rect.center().x(), g.rect.height() * 0.42);
    QRadialGradient halo(centre, 90);
    halo.setColorAt(0, QColor(222, 238, 243));
    halo.setColorAt(1, withAlpha(colour::surface, 0));
    g.p.fillRect(g.rect, halo);
    g.p.setPen(Qt::NoPen);
    g.p.setBrush(colour::white);
    g.p.drawEllipse(centre, 54, 54);
    drawGlyph(g.p, g.glyph(), QRectF(centre.x() - 30, centre.y() - 30, 60, 60), colour::teal);
    g.p.setPen(colour::muted);
    g.p.setFont(uiFont(15, false));
    g.p.drawText(QRectF(0, centre.y() + 72, g.rect.width(), 26), Qt::AlignCenter, g.title());
}

void notice(Ground& g) {
    shadowedCard(g.p, g.rect, 8, colour::white);
    drawGlyph(g.p, g.glyph(), QRectF(22, 28, 40, 40), colour::orange);
    g.p.setPen(colour::text);
    g.p.setFont(uiFont(13, false));
    g.p.drawText(QRectF(76, 24, g.rect.width() - 100, 70),
                 Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap, g.title());
}

void toast(Ground& g) {
    pill(g.p, g.rect.adjusted(1, 1, -1, -1), withAlpha(colour::ink, 240),
         withAlpha(colour::aqua, 120), 10);
    g.p.setPen(Qt::NoPen);
    g.p.setBrush(colour::orange);
    g.p.drawEllipse(QRectF(18, g.rect.center().y() - 18, 36, 36));
    drawGlyph(g.p, g.glyph(), QRectF(24, g.rect.center().y() - 12, 24, 24), colour::white);
    g.p.setPen(colour::white);
    g.p.setFont(uiFont(13, true));
    g.p.drawText(QRectF(66, 0, g.rect.width() - 76, g.rect.height()),
                 Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap, g.title());
}

void searchField(Ground& g) {
    pill(g.p, g.rect, colour::white, colour::border, g.rect.height() / 2);
    g.p.setPen(QPen(colour::muted, 1.8));
    g.p.setBrush(Qt::NoBrush);
    g.p.drawEllipse(QPointF(15, 11), 5, 5);
    g.p.drawLine(QPointF(18.5, 14.5), QPointF(22, 18));
}

void thumb(Ground& g) {
    QPainterPath shape;
    shape.addRoundedRect(g.rect, 4, 4);
    QLinearGradient ground(g.rect.topLeft(), g.rect.bottomRight());
    ground.setColorAt(0, QColor(52, 74, 84));
    ground.setColorAt(1, QColor(24, 36, 42));
    g.p.fillPath(shape, ground);
    const double side = qMin(g.rect.width(), g.rect.height()) * 0.42;
    drawGlyph(g.p, "film",
              QRectF(g.rect.center().x() - side / 2, g.rect.center().y() - side / 2, side, side),
              withAlpha(colour::white, 150));
}

void bar(Ground& g, const QColor& a, const QColor& b) {
    QLinearGradient fill(g.rect.topLeft(), g.rect.topRight());
    fill.setColorAt(0, a);
    fill.setColorAt(1, b);
    g.p.setPen(Qt::NoPen);
    g.p.setBrush(fill);
    g.p.drawRoundedRect(g.rect, g.rect.height() / 2, g.rect.height() / 2);
}

void card(Ground& g) {
    pill(g.p, g.rect, colour::white, colour::border, 6);
}

// A format's badge in the format chooser: the format name on a ground
// whose hue follows the name, so that neighbouring presets differ.
void formatIcon(Ground& g) {
    const QString label = g.entry.attribute("label");
    const int hue = int(qHash(label) % 360);
    pill(g.p, g.rect.adjusted(1, 1, -1, -1), QColor::fromHsv(hue, 120, 170), {}, 8);
    g.p.fillRect(QRectF(6, g.rect.height() - 12, g.rect.width() - 12, 3),
                 withAlpha(colour::white, 120));
    g.p.setPen(colour::white);
    g.p.setFont(uiFont(label.size() > 3 ? 13 : 15, true));
    g.p.drawText(g.rect.adjusted(0, 0, 0, -8), Qt::AlignCenter, label);
}

void tileHover(Ground& g) {
    pill(g.p, g.rect.adjusted(1, 1, -1, -1), withAlpha(colour::teal, 28), {}, 8);
    g.p.setPen(QPen(colour::teal, 2));
    g.p.setBrush(Qt::NoBrush);
    g.p.drawRoundedRect(g.rect.adjusted(1, 1, -1, -1), 8, 8);
}

void tileCaption(Ground& g) {
    QPainterPath shape;
    shape.addRoundedRect(g.rect.adjusted(0, -10, 0, 0), 8, 8);
    QPainterPath clip;
    clip.addRect(g.rect);
    g.p.fillPath(shape.intersected(clip), withAlpha(colour::ink, 200));
}

void noShot(Ground& g) {
    pill(g.p, g.rect, QColor(236, 241, 244), colour::border, 6);
    drawGlyph(g.p, "globe", QRectF(g.rect.center().x() - 18, 18, 36, 36), colour::faint);
    g.p.setPen(colour::muted);
    g.p.setFont(uiFont(11, false));
    g.p.drawText(QRectF(0, 62, g.rect.width(), 20), Qt::AlignCenter, "No preview");
}

void playlist(Ground& g) {
    verticalGradient(g.p, g.rect, colour::playerInk2, colour::playerInk);
    g.p.fillRect(QRectF(0, 0, 1, g.rect.height()), QColor(55, 62, 67));
    g.p.fillRect(QRectF(0, 0, g.rect.width(), 32), QColor(33, 38, 42));
    drawGlyph(g.p, "list", QRectF(10, 8, 16, 16), colour::aqua);
    g.p.setPen(QColor(220, 226, 229));
    g.p.setFont(uiFont(12, true));
    g.p.drawText(QRectF(32, 0, 180, 32), Qt::AlignLeft | Qt::AlignVCenter, "Play List");
}

using GroundPainter = std::function<void(Ground&)>;

const QMap<QString, GroundPainter>& groundLooks() {
    static const QMap<QString, GroundPainter> looks = {
        {"header", header},
        {"footer", footer},
        {"logo", logo},
        {"splash", splash},
        {"dialog", dialog},
        {"page", page},
        {"msgtop", messageTop},
        {"msgbottom", messageBottom},
        {"msgline", [](Ground& g) { g.p.fillRect(g.rect, colour::border); }},
        {"toolbar", toolbar},
        {"listfoot", footer},
        {"empty", emptyPanel},
        {"notice", notice},
        {"toast", toast},
        {"search", searchField},
        {"thumb", thumb},
        {"groove", [](Ground& g) { bar(g, QColor(223, 231, 235), QColor(223, 231, 235)); }},
        {"fill", [](Ground& g) { bar(g, colour::teal, colour::aqua); }},
        {"scrolltrack", [](Ground& g) { g.p.fillRect(g.rect, QColor(238, 242, 244)); }},
        {"scrollhandle", [](Ground& g) { bar(g, QColor(185, 199, 205), QColor(185, 199, 205)); }},
        {"scrollgrip",
         [](Ground& g) { g.p.fillRect(g.rect.adjusted(2, 0, -2, 0), QColor(185, 199, 205)); }},
        {"card", card},
        {"formaticon", formatIcon},
        {"tilehover", tileHover},
        {"tilecaption", tileCaption},
        {"noshot", noShot},
        {"white", [](Ground& g) { g.p.fillRect(g.rect, colour::white); }},
        {"playertop",
         [](Ground& g) { verticalGradient(g.p, g.rect, QColor(44, 50, 54), colour::playerInk); }},
        {"playerbar",
         [](Ground& g) {
             verticalGradient(g.p, g.rect, colour::playerInk2, QColor(18, 21, 23));
             g.p.fillRect(QRectF(0, 0, g.rect.width(), 1), QColor(60, 68, 73));
         }},
        {"playlist", playlist},
        {"darkgroove", [](Ground& g) { bar(g, QColor(58, 66, 71), QColor(58, 66, 71)); }},
        {"darktrack", [](Ground& g) { g.p.fillRect(g.rect, QColor(33, 38, 42)); }},
        {"darkhandle", [](Ground& g) { bar(g, QColor(84, 94, 100), QColor(84, 94, 100)); }},
        {"darkgrip",
         [](Ground& g) { g.p.fillRect(g.rect.adjusted(2, 0, -2, 0), QColor(84, 94, 100)); }},
    };
    return looks;
}

QImage blank(const QSize& size) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

}  // namespace

QImage renderStill(const SkinEntry& entry, QString* error) {
    QImage image = blank(entry.fileSize());
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    const QString look = entry.attribute("look");
    const QString glyph = entry.attribute("glyph");
    if (entry.kind == Kind::Icon) {
        const QColor ink =
            entry.attributes.contains("colour") ? QColor(entry.attribute("colour")) : colour::teal;
        if (!drawGlyph(p, glyph, QRectF(QPointF(0, 0), entry.size), ink)) {
            *error = "unknown glyph " + glyph;
            return {};
        }
        return image;
    }
    if (!glyph.isEmpty()) {
        QImage probe = blank(QSize(4, 4));
        QPainter pp(&probe);
        if (!drawGlyph(pp, glyph, QRectF(0, 0, 4, 4), Qt::black)) {
            *error = "unknown glyph " + glyph;
            return {};
        }
    }
    if (entry.kind == Kind::Strip) {
        // A label must fit its button with a margin, also in bold; tab
        // looks leave room for a counter badge.
        const double room = entry.size.width() - 12 - (look == "headtab" ? 34 : 0);
        const ContentMetrics m = measureContent(QRectF(QPointF(0, 0), entry.size), glyph,
                                                entry.attribute("label"), true);
        if (!entry.attribute("label").isEmpty() && m.total() > room) {
            *error = QString("the label needs %1 pixels, the button has %2")
                         .arg(qCeil(m.total()))
                         .arg(room);
            return {};
        }
        auto it = frameLooks().find(look);
        if (it == frameLooks().end()) {
            *error = "unknown button look " + look;
            return {};
        }
        for (int state = 0; state < 4; ++state) {
            Frame frame{p, QRectF(QPointF(state * entry.size.width(), 0), entry.size), State(state),
                        glyph, entry.attribute("label")};
            p.save();
            p.setClipRect(frame.rect);
            (*it)(frame);
            p.restore();
        }
        return image;
    }
    auto it = groundLooks().find(look);
    if (it == groundLooks().end()) {
        *error = "unknown background look " + look;
        return {};
    }
    Ground ground{p, QRectF(QPointF(0, 0), entry.size), entry};
    (*it)(ground);
    return image;
}

QVector<QImage> renderAnimation(const SkinEntry& entry, int* delayMs, QString* error) {
    QVector<QImage> frames;
    const QString look = entry.attribute("look");
    const QSize size = entry.size;
    if (look == "progress") {
        // A light sweeping across a rounded track.
        *delayMs = 40;
        for (int i = 0; i < 30; ++i) {
            QImage image = blank(size);
            QPainter p(&image);
            p.setRenderHint(QPainter::Antialiasing);
            const double r = size.height() / 2.0;
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(38, 88, 102));
            p.drawRoundedRect(QRectF(QPointF(0, 0), size), r, r);
            const double span = size.width() * 0.35;
            const double x = -span + (size.width() + span) * i / 30.0;
            QLinearGradient sweep(x, 0, x + span, 0);
            sweep.setColorAt(0, withAlpha(colour::aqua, 0));
            sweep.setColorAt(0.6, colour::aqua);
            sweep.setColorAt(1, colour::orange);
            QPainterPath track;
            track.addRoundedRect(QRectF(QPointF(0, 0), size), r, r);
            QPainterPath part;
            part.addRect(QRectF(x, 0, span, size.height()));
            p.fillPath(track.intersected(part), sweep);
            frames.append(image);
        }
    } else if (look == "spinner") {
        *delayMs = 60;
        for (int i = 0; i < 12; ++i) {
            QImage image = blank(size);
            QPainter p(&image);
            p.setRenderHint(QPainter::Antialiasing);
            const QRectF ring = QRectF(QPointF(0, 0), size).adjusted(4, 4, -4, -4);
            p.setPen(QPen(QColor(213, 223, 228), 3.5));
            p.drawEllipse(ring);
            p.setPen(QPen(colour::teal, 3.5, Qt::SolidLine, Qt::RoundCap));
            p.drawArc(ring, (90 - i * 30) * 16, -100 * 16);
            frames.append(image);
        }
    } else {
        *error = "unknown animation look " + look;
    }
    return frames;
}

}  // namespace skin
