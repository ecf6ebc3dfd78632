#include "core/product.h"

namespace product {

QString displayName() {
    return QStringLiteral(CLIPWRIGHT_DISPLAY_NAME);
}

QString version() {
    return QStringLiteral(CLIPWRIGHT_VERSION);
}

QString webPage() {
    return QStringLiteral("https://clipwright.example.org/");
}

}  // namespace product
