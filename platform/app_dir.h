// Where the program's data files live.
//
// Two layouts exist. Run from its build tree, or with CLIPWRIGHT_HOME set,
// the program keeps every file in one application directory. Installed
// under a prefix, it reads what it ships (skin images, script.ent, the help
// page, the shipped settings and presets) from the prefix's read-only data
// folder and writes everything else into a per-user folder, seeded from the
// shipped copies on first start. Every reader and writer of a data file asks
// dataFile() (or appfiles::path in the Qt layers), which decides by name.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

namespace platform {

// The application directory: the directory named by the environment
// variable CLIPWRIGHT_HOME when it is set and non-empty, otherwise the
// directory of the running executable. Read on every call so that tests can
// point it elsewhere. Programs the engines start (ffmpeg) are looked up
// here first; data files are found through dataFile().
std::filesystem::path applicationDir();

// The directory of the running executable, whatever CLIPWRIGHT_HOME says.
std::filesystem::path executableDir();

// The two roots of the data files; equal in the single-directory layout.
struct DataFolders {
    std::filesystem::path shipped;  // read-only: what the program ships
    std::filesystem::path user;     // writable: what the program writes
    bool single() const { return shipped == user; }
};

// What the roots are chosen from: the environment and the executable's
// directory, gathered by dataFolders() at each call.
struct DataFolderInputs {
    std::string clipwrightHome;  // CLIPWRIGHT_HOME; empty when unset
    std::string xdgDataHome;     // XDG_DATA_HOME; empty when unset
    std::string home;            // the user's home directory
    std::filesystem::path executableDir;
};

// The rule: CLIPWRIGHT_HOME, when set, is the single directory. Otherwise,
// when the installed data folder exists beside the executable (its place
// relative to the executable is fixed at build time, "../share/clipwright"
// by default), the shipped root is that folder and the user root is
// $XDG_DATA_HOME/clipwright (an XDG_DATA_HOME that is not absolute is
// ignored, as the XDG rules say), else <home>/.local/share/clipwright.
// Otherwise (the build tree) the executable's directory is the single one.
DataFolders dataFoldersFor(const DataFolderInputs& inputs);

// dataFoldersFor() on this process's environment and executable.
DataFolders dataFolders();

// Whether the program writes the data file `name` (relative, "/"
// separators, e.g. "Preferences.xml" or "image/urlicon/web_icon_a.png"), so
// that it belongs in the user root. Every file the program rewrites or
// creates is listed here; all other names are shipped, read-only data.
bool isUserDataFile(std::string_view name);

// The data file `name` ("script.ent", "/Log.txt", "\pic\x.png": a leading
// separator and "\" separators are accepted) in the root its name belongs
// to, for this process's folders.
std::filesystem::path dataFile(std::string_view name);

// What preparing the user folder came to: ok, or the path that failed and
// the system's reason.
struct PrepareResult {
    std::filesystem::path failedPath;
    std::error_code error;
    bool ok() const { return !error; }
};

// Creates the user root and copies into it, from the shipped root, every
// shipped file the program later rewrites ("Preferences.xml", "format.xml",
// "usualurl.xml" and the favourite sites' screenshots under
// "image/urlicon/") that the user root lacks. A file already there is never
// touched; each copy lands under a temporary name and is renamed into
// place, so an interrupted start never leaves half a file. Nothing to do in
// the single-directory layout.
PrepareResult prepareUserFolder(const DataFolders& folders);

}  // namespace platform
