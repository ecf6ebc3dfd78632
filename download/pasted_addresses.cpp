#include "download/pasted_addresses.h"

#include <QRegularExpression>
#include <QUrl>

namespace {

bool isPageAddress(const QString& piece) {
    const QUrl url(piece, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    return url.isValid() && (scheme == "http" || scheme == "https") && !url.host().isEmpty();
}

}  // namespace

PastedAddresses pastedAddresses(const QString& text) {
    static const QRegularExpression separators("[\\s,]+");
    PastedAddresses result;
    for (const QString& piece : text.split(separators, Qt::SkipEmptyParts)) {
        if (!isPageAddress(piece))
            ++result.ignored;
        else if (result.addresses.contains(piece))
            ++result.repeated;
        else
            result.addresses << piece;
    }
    return result;
}

bool isOnePageAddress(const QString& text) {
    const QString trimmed = text.trimmed();
    return !trimmed.isEmpty() && !trimmed.contains(QRegularExpression("[\\s,]")) &&
           isPageAddress(trimmed);
}
