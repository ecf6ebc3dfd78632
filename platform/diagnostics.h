// The libraries' diagnostics: the progress and marker lines that help a
// developer follow a run. They go to standard error, and only when the
// environment variable CLIPWRIGHT_DEBUG is set to a non-empty value;
// otherwise they are dropped. Never to standard output, which belongs to
// the command-line tools' results.
#pragma once

#include <ostream>

namespace platform {

// Whether CLIPWRIGHT_DEBUG asks for diagnostics (read once).
bool diagnosticsEnabled();

// printf-style; writes nothing when diagnostics are off.
void diag(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Standard error when diagnostics are on, else a stream that drops
// everything.
std::ostream& diagnostics();

}  // namespace platform
