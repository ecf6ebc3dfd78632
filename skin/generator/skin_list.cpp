#include "skin/generator/skin_list.h"

#include <QRegularExpression>

namespace skin {

QSize SkinEntry::fileSize() const {
    return kind == Kind::Strip ? QSize(size.width() * 4, size.height()) : size;
}

QStringList tokenizeSkinLine(const QString& line) {
    QStringList tokens;
    QString current;
    bool quoted = false;
    bool inToken = false;
    for (QChar c : line) {
        if (c == '"') {
            quoted = !quoted;
            inToken = true;
        } else if (c.isSpace() && !quoted) {
            if (inToken)
                tokens << current;
            current.clear();
            inToken = false;
        } else {
            current += c;
            inToken = true;
        }
    }
    if (inToken)
        tokens << current;
    return tokens;
}

namespace {

bool parseKind(const QString& word, Kind* kind) {
    static const QMap<QString, Kind> kinds = {{"strip", Kind::Strip},
                                              {"background", Kind::Background},
                                              {"icon", Kind::Icon},
                                              {"animation", Kind::Animation}};
    auto it = kinds.find(word);
    if (it == kinds.end())
        return false;
    *kind = *it;
    return true;
}

bool parseSize(const QString& word, QSize* size) {
    static const QRegularExpression pattern("^(\\d+)x(\\d+)$");
    auto match = pattern.match(word);
    if (!match.hasMatch())
        return false;
    *size = QSize(match.captured(1).toInt(), match.captured(2).toInt());
    return size->width() > 0 && size->height() > 0;
}

}  // namespace

bool parseSkinList(const QString& text, QVector<SkinEntry>* entries, QString* error) {
    const QStringList lines = text.split('\n');
    for (int i = 0; i < lines.size(); ++i) {
        const QString line = lines[i].trimmed();
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        const QStringList tokens = tokenizeSkinLine(line);
        SkinEntry entry;
        auto fail = [&](const QString& why) {
            *error = QString("line %1: %2").arg(i + 1).arg(why);
            return false;
        };
        if (tokens.size() < 3)
            return fail("expected: path size kind [key=value ...]");
        entry.path = tokens[0];
        if (entry.path.startsWith('/') || entry.path.contains("..")) {
            return fail("the path must stay inside the application directory");
        }
        if (!parseSize(tokens[1], &entry.size))
            return fail("bad size " + tokens[1]);
        if (!parseKind(tokens[2], &entry.kind))
            return fail("unknown kind " + tokens[2]);
        for (int t = 3; t < tokens.size(); ++t) {
            const int eq = tokens[t].indexOf('=');
            if (eq <= 0)
                return fail("expected key=value, got " + tokens[t]);
            entry.attributes.insert(tokens[t].left(eq), tokens[t].mid(eq + 1));
        }
        entries->append(entry);
    }
    return true;
}

}  // namespace skin
