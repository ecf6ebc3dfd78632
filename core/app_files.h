// Where the program's data files are read and written: the skin images,
// the message dialog's pictures, the list and settings files and the log.
// Every reader and writer of such a file asks here, so that this is the one
// place that decides where a data file lives.
#pragma once

#include <QString>

namespace appfiles {

// The application directory without a trailing "/": the directory named by
// CLIPWRIGHT_HOME when it is set, otherwise the executable's directory (the
// platform layer's rule). Read on every call so that tests can move it.
QString applicationDir();

// The file `name` of the application directory: applicationDir() + `name`,
// where `name` begins with "/" or "\" and may use "\" separators (the
// message dialog's "\pic\..." names); the result uses "/" throughout.
QString path(const QString& name);

}  // namespace appfiles
