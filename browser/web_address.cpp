#include "browser/web_address.h"

#include <QRegularExpression>
#include <QStringList>

namespace webaddress {
namespace {

// The scheme of `text` when it starts with one ("name:" where the text
// after the colon does not begin with a digit, which would make it a port).
QString schemeOf(const QString& text) {
    static const QRegularExpression scheme("^([A-Za-z][A-Za-z0-9+.-]*):(?![0-9])");
    const QRegularExpressionMatch match = scheme.match(text);
    return match.hasMatch() ? match.captured(1).toLower() : QString();
}

}  // namespace

Normalised normalise(const QString& typed) {
    QString text = typed.trimmed();
    if (text.size() <= 2)
        return {};
    if (text.startsWith("//www", Qt::CaseInsensitive))
        text = "http:" + text;
    else if (text.startsWith("www", Qt::CaseInsensitive))
        text = "http://" + text;
    else if (text.startsWith('.'))
        text = "http://www" + text;
    const QString scheme = schemeOf(text);
    if (scheme.isEmpty())
        return {Verdict::Loadable, "http://" + text};
    if (scheme == "http" || scheme == "https")
        return {Verdict::Loadable, text};
    return {Verdict::Refused, {}};
}

bool isLoadable(const QUrl& url) {
    const QString scheme = url.scheme().toLower();
    return url.isValid() && (scheme == "http" || scheme == "https") && !url.host().isEmpty();
}

bool isMediaFileLink(const QUrl& url) {
    static const QStringList extensions = {"mp4", "m4v", "flv", "f4v", "webm", "mkv", "mov",
                                           "avi", "wmv", "3gp", "ts",  "m3u8", "mp3", "m4a",
                                           "aac", "ogg", "oga", "ogv", "opus", "wav", "flac"};
    if (!isLoadable(url))
        return false;
    const QString path = url.path();
    const int dot = path.lastIndexOf('.');
    if (dot < 0 || path.indexOf('/', dot) >= 0)
        return false;
    return extensions.contains(path.mid(dot + 1).toLower());
}

QString refusalMessage(const QString& typed) {
    return QString("The browser opens only web pages (http or https addresses); \"%1\" is not one.")
        .arg(typed.trimmed());
}

}  // namespace webaddress
