// How a download task names its files: the cleaned title, the output file
// (numbered when the name is taken), the part files of a stream in several
// parts, and the output of a task restored from its part files.
#pragma once

#include <QString>
#include <QStringList>

namespace naming {

// The title with every character of [/:*"<>|] and every backslash removed.
QString cleanTitle(QString title);

// "%1/%2.%3" (folder, title, extension) with "//" made "/"; while a file of
// that name exists, "%2(n)" for n = 1, 2, ... `number` receives the n used
// (0 when none was needed).
QString uniqueOutputPath(const QString& folder, const QString& title, const QString& extension,
                         int* number = nullptr);

// The name shown in the row: "title.ext", or "title(n).ext".
QString displayName(const QString& title, int number, const QString& extension);

// `count` part paths "%1/%2(%3).%4" (folder, title, n, extension), n
// counting up from `*counter` and skipping names of existing files or
// folders; `*counter` is left at the number after the last one used.
QStringList partPaths(const QString& folder, const QString& title, const QString& extension,
                      int count, int* counter);

// The output path of a task restored from its part paths: the first part's
// path before its last "(" followed by its extension; a single-part task,
// whose part path has no "(", is its own output.
QString restoredOutputPath(const QStringList& partPaths);

// A free work-file name beside `outputPath`: "<base>.tmp", else
// "<base>(n).tmp" for n = 1, 2, ... (base: the path before its last ".").
QString freeWorkPath(const QString& outputPath);

// The five part files "<target>_0" to "<target>_4" of one segmented
// download.
QStringList segmentFiles(const QString& target);

// Removes every target in `targets` with every file segfetch keeps beside
// it (part files, the control file, an interrupted join's file); false when
// one of them stays behind.
bool removeTaskFiles(const QStringList& targets);

}  // namespace naming
