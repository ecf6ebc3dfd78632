// The declarative list of skin images (skin.list) and its parser.
#pragma once

#include <QMap>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QVector>

namespace skin {

enum class Kind { Strip, Background, Icon, Animation };

// One image of the skin. For a strip, `size` is one frame; the file holds
// four frames side by side.
struct SkinEntry {
    QString path;  // relative to the application directory
    QSize size;
    Kind kind = Kind::Background;
    QMap<QString, QString> attributes;  // look, glyph, label, title

    QString attribute(const QString& key) const { return attributes.value(key); }
    QSize fileSize() const;  // the size of the written image
};

// Parses the list's text. Blank lines and lines starting with '#' are
// skipped; a token may be quoted with double quotes to hold spaces. Returns
// false and describes the first bad line in `error` (with its line number).
bool parseSkinList(const QString& text, QVector<SkinEntry>* entries, QString* error);

// Splits one line into tokens, honouring double quotes (key="a b" gives
// key=a b). Exposed for the tests.
QStringList tokenizeSkinLine(const QString& line);

}  // namespace skin
