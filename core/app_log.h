// The start-up log "/Log.txt" in the application directory. Each write
// replaces the whole file, so it holds only the last message written.
#pragma once

#include <QString>

namespace applog {

QString logPath();  // applicationDir + "/Log.txt"

// Replaces the log's content with `text` (no line end added). False when
// the file cannot be written.
bool write(const QString& text);

}  // namespace applog
