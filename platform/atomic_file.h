// Replacing a file so that a crash or a full disk never leaves it half
// written.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace platform {

// Writes `data` to a new file beside `target`, flushes it to disk and
// renames it over `target`. On failure `target` is untouched, the temporary
// file is removed and, when `error` is given, it receives a description.
bool writeFileAtomically(const std::filesystem::path& target, std::string_view data,
                         std::string* error = nullptr);

// Moves a damaged file aside so that the user keeps it: as "<name>.bad",
// or "<name>.bad1", "<name>.bad2" ... when that name is taken, so that a
// second damaged file never replaces the first. Returns the new path, or an
// empty path on failure.
std::filesystem::path keepAside(const std::filesystem::path& damaged);

}  // namespace platform
