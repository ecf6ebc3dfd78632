#include "platform/app_dir.h"

#include <pwd.h>
#include <unistd.h>

#include <array>
#include <cstdlib>

#ifndef CLIPWRIGHT_SHIPPED_DATA_FROM_BIN
#define CLIPWRIGHT_SHIPPED_DATA_FROM_BIN "../share/clipwright"
#endif

namespace platform {

namespace fs = std::filesystem;

namespace {

// The files the program rewrites or creates, by name.
constexpr std::array<std::string_view, 7> kUserFiles = {
    "Preferences.xml", "downloadtasklist.xml", "downlaodedlist.xml", "convertedlist.xml",
    "Log.txt",         "format.xml",           "usualurl.xml"};
// The favourite sites' screenshots, written by the start page.
constexpr std::string_view kUserImageFolder = "image/urlicon";
// What a fresh user folder starts from: the shipped copies of these.
constexpr std::array<std::string_view, 3> kSeededFiles = {"Preferences.xml", "format.xml",
                                                          "usualurl.xml"};

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

std::string homeDirectory() {
    if (std::string home = environment("HOME"); !home.empty())
        return home;
    if (const passwd* entry = getpwuid(getuid()); entry && entry->pw_dir)
        return entry->pw_dir;
    return {};
}

// "/pic\\x.png" -> "pic/x.png"
std::string relativeName(std::string_view name) {
    std::string relative(name);
    for (char& c : relative) {
        if (c == '\\')
            c = '/';
    }
    relative.erase(0, relative.find_first_not_of('/'));
    return relative;
}

// Copies `from` to `to` through a temporary file beside `to`, so that `to`
// is either absent or complete. The copy is writable by its owner whatever
// the shipped file's mode, since the program rewrites it.
std::error_code copyInto(const fs::path& from, const fs::path& to) {
    std::error_code error;
    fs::path temporary = to;
    temporary += ".seeding";
    fs::copy_file(from, temporary, fs::copy_options::overwrite_existing, error);
    if (!error)
        fs::permissions(temporary, fs::perms::owner_read | fs::perms::owner_write,
                        fs::perm_options::add, error);
    if (!error)
        fs::rename(temporary, to, error);
    if (error) {
        std::error_code ignored;
        fs::remove(temporary, ignored);
    }
    return error;
}

// Seeds one shipped file or folder (recursively) where the user root lacks it.
PrepareResult seed(const fs::path& from, const fs::path& to) {
    std::error_code error;
    if (fs::is_directory(from, error)) {
        if (fs::create_directories(to, error); error)
            return {to, error};
        for (const fs::directory_entry& entry : fs::directory_iterator(from, error)) {
            if (PrepareResult inner = seed(entry.path(), to / entry.path().filename()); !inner.ok())
                return inner;
        }
        return error ? PrepareResult{from, error} : PrepareResult{};
    }
    if (!fs::is_regular_file(from, error) || fs::exists(to, error))
        return {};
    if (error = copyInto(from, to); error)
        return {to, error};
    return {};
}

}  // namespace

fs::path applicationDir() {
    if (const char* home = std::getenv("CLIPWRIGHT_HOME"); home && *home)
        return fs::path(home);
    return executableDir();
}

fs::path executableDir() {
    std::error_code error;
    fs::path exe = fs::read_symlink("/proc/self/exe", error);
    if (error)
        return fs::current_path(error);
    return exe.parent_path();
}

DataFolders dataFoldersFor(const DataFolderInputs& inputs) {
    if (!inputs.clipwrightHome.empty())
        return {inputs.clipwrightHome, inputs.clipwrightHome};
    std::error_code error;
    const fs::path installed = inputs.executableDir / CLIPWRIGHT_SHIPPED_DATA_FROM_BIN;
    if (!fs::is_directory(installed, error))
        return {inputs.executableDir, inputs.executableDir};
    const fs::path shipped = fs::weakly_canonical(installed, error);
    const fs::path dataHome = fs::path(inputs.xdgDataHome).is_absolute()
                                  ? fs::path(inputs.xdgDataHome)
                                  : fs::path(inputs.home) / ".local/share";
    return {error ? installed.lexically_normal() : shipped, dataHome / "clipwright"};
}

DataFolders dataFolders() {
    return dataFoldersFor({environment("CLIPWRIGHT_HOME"), environment("XDG_DATA_HOME"),
                           homeDirectory(), executableDir()});
}

bool isUserDataFile(std::string_view name) {
    const std::string relative = relativeName(name);
    for (std::string_view file : kUserFiles) {
        if (relative == file)
            return true;
    }
    return relative == kUserImageFolder ||
           (relative.starts_with(kUserImageFolder) && relative[kUserImageFolder.size()] == '/');
}

fs::path dataFile(std::string_view name) {
    const DataFolders folders = dataFolders();
    const std::string relative = relativeName(name);
    return (isUserDataFile(relative) ? folders.user : folders.shipped) / relative;
}

PrepareResult prepareUserFolder(const DataFolders& folders) {
    if (folders.single())
        return {};
    std::error_code error;
    if (fs::create_directories(folders.user, error); error)
        return {folders.user, error};
    for (std::string_view name : kSeededFiles) {
        if (PrepareResult result = seed(folders.shipped / name, folders.user / name); !result.ok())
            return result;
    }
    return seed(folders.shipped / kUserImageFolder, folders.user / kUserImageFolder);
}

}  // namespace platform
