// The check every transfer makes before its first byte: can a file be
// written under this name?
#pragma once

#include <optional>
#include <string>

namespace platform {

struct TargetProblem {
    std::string reason;   // in words for a user
    int systemError = 0;  // the system's error number behind it
};

// Nothing when `path` names a file (or nothing yet) in a folder that exists
// and can be written; else why not: the path is a folder, its folder does
// not exist or is no folder, or it cannot be written.
std::optional<TargetProblem> problemWithTarget(const std::string& path);

}  // namespace platform
