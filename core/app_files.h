// Where the program's data files are read and written: the skin images,
// the message dialog's pictures, the list and settings files and the log.
// Every reader and writer of such a file asks here, so that this is the one
// place that decides where a data file lives (the rule itself is the
// platform layer's, platform/app_dir.h, which the engines ask directly).
#pragma once

#include <QString>

namespace appfiles {

// The file `name` in the folder it belongs to: the per-user folder for the
// files the program writes (the settings, the lists, the log, the format
// presets, the favourite sites and their screenshots), the shipped data
// folder for everything else. `name` begins with "/" or "\" and may use
// "\" separators (the message dialog's "\pic\..." names); the result uses
// "/" throughout. Run from the build tree or with CLIPWRIGHT_HOME set, both
// folders are the one application directory.
QString path(const QString& name);

// The shipped, read-only data folder and the per-user folder, without a
// trailing "/"; the same directory in the single-directory layout.
QString shippedDir();
QString userDir();

// The application directory of the single-directory layout (the build
// tree, CLIPWRIGHT_HOME); once installed, the shipped data folder. The
// same as shippedDir(), for the callers that borrow the skin from it.
QString applicationDir();

// Creates the per-user folder and seeds it with the shipped copies of the
// files the program rewrites, once, at start. Returns an empty string on
// success, otherwise a message naming the path and the system's reason.
QString prepareUserFolder();

}  // namespace appfiles
