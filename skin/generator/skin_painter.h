// Draws one skin entry: the looks of buttons, backgrounds and animations.
#pragma once

#include <QImage>
#include <QVector>

#include "skin/generator/skin_list.h"

namespace skin {

// The still image of a strip, background or icon entry, at entry.fileSize().
// An unknown look or glyph is an error: `error` says which, and a null image
// is returned.
QImage renderStill(const SkinEntry& entry, QString* error);

// The frames of an animation entry and their delay.
QVector<QImage> renderAnimation(const SkinEntry& entry, int* delayMs, QString* error);

}  // namespace skin
