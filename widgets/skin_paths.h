// Where the GUI finds its data files and skin images.
#pragma once

#include <QString>

namespace widgets {

// The application directory without a trailing "/": the directory named by
// CLIPWRIGHT_HOME when it is set, otherwise the executable's directory (the
// platform layer's rule). Data files are addressed as applicationDir() + a
// name beginning with "/". Read on every call so that tests can move it.
QString applicationDir();

// applicationDir() + `name`, where `name` begins with "/" or "\" and may use
// "\" separators (the message dialog's "\pic\..." names); the result uses
// "/" throughout.
QString appFile(const QString& name);

}  // namespace widgets
