#include "platform/app_dir.h"

#include <cstdlib>
#include <system_error>

namespace platform {

std::filesystem::path applicationDir() {
    if (const char* home = std::getenv("CLIPWRIGHT_HOME"); home && *home)
        return std::filesystem::path(home);
    return executableDir();
}

std::filesystem::path executableDir() {
    std::error_code error;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error)
        return std::filesystem::current_path(error);
    return exe.parent_path();
}

}  // namespace platform
