#include "platform/target_check.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace platform {

std::optional<TargetProblem> problemWithTarget(const std::string& path) {
    if (path.empty())
        return TargetProblem{"no target file was given", EINVAL};
    struct stat info;
    if (::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
        return TargetProblem{"cannot write " + path + ": " + std::strerror(EISDIR), EISDIR};
    std::filesystem::path folder = std::filesystem::path(path).parent_path();
    if (folder.empty())
        folder = ".";
    if (::stat(folder.c_str(), &info) != 0)
        return TargetProblem{"the folder " + folder.string() + " does not exist", ENOENT};
    if (!S_ISDIR(info.st_mode))
        return TargetProblem{folder.string() + " is not a folder", ENOTDIR};
    if (::access(folder.c_str(), W_OK | X_OK) != 0) {
        const int error = errno;
        return TargetProblem{"cannot write into " + folder.string() + ": " + std::strerror(error),
                             error};
    }
    return std::nullopt;
}

}  // namespace platform
