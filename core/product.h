// The product's facts, shown in titles, the tray, the about dialog and the
// help page's name. The name and the version are set once, in the
// top-level CMakeLists.txt, and read only through these functions.
#pragma once

#include <QString>

namespace product {

QString displayName();
QString version();  // the project's version, "MAJOR.MINOR"
// The product page; nothing is fetched from it by the program itself.
QString webPage();

}  // namespace product
