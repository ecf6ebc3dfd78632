// The product's names and addresses, shown in titles, the tray and the
// about dialog.
#pragma once

#include <QString>

namespace product {

inline QString displayName() {
    return QStringLiteral("Clipwright");
}
inline QString version() {
    return QStringLiteral("0.1");
}
// The product page; a local address would do as well, nothing is fetched
// from it by the program itself.
inline QString webPage() {
    return QStringLiteral("https://clipwright.example.org/");
}

}  // namespace product
