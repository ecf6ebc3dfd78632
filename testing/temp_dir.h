// Scratch folders and environment settings that tidy up after a test.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

namespace testing_support {

// A fresh directory under the system's temporary folder, removed with all
// its content on destruction.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

// Sets an environment variable for the object's lifetime, then restores it.
class ScopedEnv {
public:
    ScopedEnv(std::string name, const std::string& value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name_;
    std::optional<std::string> previous_;
};

// A scratch application directory: CLIPWRIGHT_HOME names a fresh folder for
// the object's lifetime, so that every data file the code under test reads
// or writes lands there.
class ScratchAppDir {
public:
    ScratchAppDir();
    const std::filesystem::path& path() const { return dir_.path(); }
    std::filesystem::path operator/(const std::string& name) const { return dir_ / name; }
    // Links the skin the build drew (image/ and pic/) into the folder, for
    // windows that load their pictures.
    void linkBuiltSkin() const;

private:
    TempDir dir_;
    ScopedEnv home_;
};

std::string readFile(const std::filesystem::path& path);
void writeFile(const std::filesystem::path& path, const std::string& content);

}  // namespace testing_support
