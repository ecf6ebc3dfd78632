// Saving a snapshot: the file name made from the local date and time, the
// folder created when missing, and a numbered name instead of overwriting a
// file that is already there.
#pragma once

#include <QDateTime>
#include <QImage>
#include <QString>

namespace snapshot {

// The formats a snapshot can be saved in; anything else is saved as "bmp".
QString normalisedFormat(const QString& format);

// "dd-MM-yyyy hh-mm-ss.zzz" + "_quillmarsh." + format.
QString fileName(const QDateTime& when, const QString& format);

struct Saved {
    QString path;   // the file written; empty on failure
    QString error;  // why nothing was written
};

// Creates `folder` (with parents) when missing and writes `image` into it
// under fileName(when, format), or, when that name is taken, under the same
// name numbered "_quillmarsh1.", "_quillmarsh2." ... A file is never
// replaced: the name is claimed by creating the file.
Saved save(const QImage& image, const QString& folder, const QString& format,
           const QDateTime& when);

}  // namespace snapshot
