// Services of the SiteScript library for tools around the engine: the
// script-file scrambling, a trace of the statements a script runs, and the
// concatenation list that MergeStreams reads.
#pragma once

#include "sitescript/sitescript.h"

#include <cstddef>
#include <string>
#include <vector>

namespace sitescript {

// The script file's scrambling: every byte XOR 0x5D. The operation is its
// own inverse, so the same call scrambles plain text and unscrambles a
// script file.
SITESCRIPT_EXPORT void scramble(char* data, std::size_t size);

// Receives each executed statement line (UTF-8, as written in the script)
// and the status it produced.
using TraceSink = void (*)(const std::string& line, int status, void* user);

// Sets the trace sink for the analyses that run on the calling thread
// (nullptr switches tracing off). Other threads are not affected.
SITESCRIPT_EXPORT void setTraceSink(TraceSink sink, void* user);

// The text of a concatenation list for MergeStreams: one "file '<path>'"
// line per piece, '\'' written as '\'' so that any path survives.
SITESCRIPT_EXPORT std::string concatList(const std::vector<std::string>& piecePaths);

}  // namespace sitescript
