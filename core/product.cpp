#include "core/product.h"

#include "core/product_version.h"

namespace product {

QString displayName() {
    return QStringLiteral(CLIPWRIGHT_DISPLAY_NAME);
}

QString version() {
    return QString::fromLatin1(kVersion);
}

QString webPage() {
    return QStringLiteral(CLIPWRIGHT_WEB_PAGE);
}

}  // namespace product
