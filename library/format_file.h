// The format chooser's presets file "format.xml":
//
//   <?xml version="1.0"?>
//   <formats>
//       <Video>
//           <icon>/image/format/mp4.png</icon>
//           <name>MP4 Video (MPEG-4)---mp4</name>
//           <favorite>true</favorite>                    (star)
//           ...
//       </Video>
//       ... Audio, HD, Web, Device ...
//       <Favorite>
//           <filepath>...</filepath> <name>...</name>    (starred presets)
//       </Favorite>
//   </formats>
//
// Elements are taken by position, not by name, under the category element.
// A damaged file is kept aside as "<name>.bad". Qt Core only; GUI thread
// only (the program's XML files layer).
#pragma once

#include <QList>
#include <QString>

struct FormatPreset {
    QString iconPath;
    QString name;  // label + "---" + output format name
    bool favourite = false;
};

// The stars of one category's presets, in file order.
struct FormatCategoryStars {
    QString category;
    QList<bool> stars;
};

class FormatFile {
public:
    explicit FormatFile(QString path);
    const QString& path() const { return m_path; }

    // The presets of `category` in file order. Outside "Favorite" a preset
    // is three elements (icon, name, star; starred when the star's text is
    // "true"), in it two (icon, name), every one starred; an incomplete
    // preset ends the category. Empty when the file is missing or damaged,
    // or holds no section.
    QList<FormatPreset> loadCategory(const QString& category) const;

    // Rewrites the stars of each listed category by position (presets past
    // the end of `stars` keep theirs) and replaces the "Favorite" category
    // with `favorites`. Nothing is written when the file is missing,
    // damaged or has no root; false then and when it cannot be written.
    bool writeStars(const QList<FormatCategoryStars>& categories,
                    const QList<FormatPreset>& favorites) const;

private:
    QString m_path;
};
