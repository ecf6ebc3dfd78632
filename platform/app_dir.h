// Where the program's data files live.
#pragma once

#include <filesystem>

namespace platform {

// The application directory: the directory named by the environment
// variable CLIPWRIGHT_HOME when it is set and non-empty, otherwise the
// directory of the running executable. Read on every call so that tests can
// point it elsewhere.
std::filesystem::path applicationDir();

// The directory of the running executable, whatever CLIPWRIGHT_HOME says.
std::filesystem::path executableDir();

}  // namespace platform
