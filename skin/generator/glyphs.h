// The symbols drawn into buttons and icons, as vector drawings.
#pragma once

#include <QColor>
#include <QPainter>
#include <QRectF>
#include <QString>

namespace skin {

// Draws the glyph `name` centred in `box` in `color`. Multicoloured glyphs
// (appicon, warning, success, error, playbadge, playoverlay) keep their own
// colours. Returns false for an unknown name (nothing drawn).
bool drawGlyph(QPainter& painter, const QString& name, const QRectF& box, const QColor& color);

}  // namespace skin
