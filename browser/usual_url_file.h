// The favourite sites file "usualurl.xml": one child element of the root
// per tile, named by the tile's slot key, with the attributes "url" and
// "title"; and the name of each tile's screenshot file.
//
// GUI thread only (it uses the program's XML files layer).
#pragma once

#include <QString>

#include <array>

namespace usualurl {

inline constexpr int kSlotCount = 12;

// The slot keys by grid position 0 to 11.
inline constexpr std::array<const char*, kSlotCount> kSlotKeys = {
    "Url_one",   "Url_two",   "Url_three", "Url_four", "Url_five",   "Url_six",
    "Url_seven", "Url_eight", "Url_nine",  "Url_ten",  "Url_eleven", "Url_twelve"};

struct Site {
    QString url;  // empty for an empty tile
    QString title;
};

using Sites = std::array<Site, kSlotCount>;

// "<applicationDir>/usualurl.xml".
QString filePath();

// The sites of the file, by slot key (the order of the elements does not
// matter; of two elements of one slot the first counts). A missing file gives empty tiles; a file that does not parse is
// kept aside as ".bad" and gives empty tiles.
Sites read();

// Stores `site` in slot `slot` (an empty site clears it) and writes the
// file atomically. Slot elements missing from the file are added, so that
// no tile is lost at the next start; a missing or damaged file is started
// anew. False (the old file untouched) when it cannot be written.
bool store(int slot, const Site& site);

// The title as a file-name part: no "/" or "\", no "..", no control
// characters, at most 80 characters, never empty.
QString sanitisedTitle(const QString& title);

// "<applicationDir>/image/urlicon/web_icon_<sanitised title>.png": two
// tiles of the same title share it.
QString screenshotPath(const QString& title);

// The picture of a tile whose site did not load.
QString placeholderPath();

}  // namespace usualurl
