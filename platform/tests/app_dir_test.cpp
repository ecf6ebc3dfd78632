// The two data roots: which layout is chosen, which names are the user's,
// and how a fresh user folder is seeded from the shipped one.
#include "platform/app_dir.h"

#include <gtest/gtest.h>

#include <map>

#include "testing/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using testing_support::readFile;
using testing_support::TempDir;
using testing_support::writeFile;

// Every file under `root` with its content, to see what a call changed.
std::map<std::string, std::string> snapshot(const fs::path& root) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (entry.is_regular_file())
            files[fs::relative(entry.path(), root).string()] = readFile(entry.path());
    }
    return files;
}

class InstalledPrefix : public ::testing::Test {
protected:
    InstalledPrefix() {
        fs::create_directories(prefix / "bin");
        fs::create_directories(shipped());
    }
    fs::path shipped() const { return prefix.path() / "share/clipwright"; }
    platform::DataFolderInputs inputs(std::string xdg) const {
        return {"", std::move(xdg), "/home/ann", prefix.path() / "bin"};
    }
    TempDir prefix;
};

TEST_F(InstalledPrefix, RootsFollowTheLayout) {
    platform::DataFolders folders = platform::dataFoldersFor(inputs("/xdg/data"));
    EXPECT_EQ(folders.shipped, shipped());
    EXPECT_EQ(folders.user, fs::path("/xdg/data/clipwright"));
    EXPECT_FALSE(folders.single());

    // A relative or empty XDG_DATA_HOME falls back to the home's default.
    for (const char* xdg : {"", "relative/data"}) {
        folders = platform::dataFoldersFor(inputs(xdg));
        EXPECT_EQ(folders.user, fs::path("/home/ann/.local/share/clipwright")) << xdg;
    }

    // CLIPWRIGHT_HOME keeps the single directory, even when installed.
    platform::DataFolderInputs home = inputs("/xdg/data");
    home.clipwrightHome = "/scratch/app";
    folders = platform::dataFoldersFor(home);
    EXPECT_EQ(folders.shipped, fs::path("/scratch/app"));
    EXPECT_TRUE(folders.single());

    // Without the installed data folder (the build tree) the executable's
    // directory holds everything.
    fs::remove_all(prefix / "share");
    folders = platform::dataFoldersFor(inputs("/xdg/data"));
    EXPECT_EQ(folders.user, prefix.path() / "bin");
    EXPECT_TRUE(folders.single());
}

TEST(DataFileNames, WrittenFilesAreTheUsersAndTheRestIsShipped) {
    for (const char* name :
         {"/Preferences.xml", "downloadtasklist.xml", "/downlaodedlist.xml", "/convertedlist.xml",
          "/Log.txt", "/format.xml", "\\usualurl.xml", "/image/urlicon/web_icon_My Site.png",
          "\\image\\urlicon\\web_icon_x.png"})
        EXPECT_TRUE(platform::isUserDataFile(name)) << name;
    for (const char* name :
         {"/script.ent", "/image/OK_btn.png", "\\pic\\icon.png", "/image/web_icon_nothing.png",
          "/image/urlicon_other.png", "/Clipwright Help/Clipwright Help.html", "/Log.txt.old",
          "/sub/Preferences.xml"})
        EXPECT_FALSE(platform::isUserDataFile(name)) << name;

    TempDir dir;
    testing_support::ScopedEnv home("CLIPWRIGHT_HOME", dir.path().string());
    EXPECT_EQ(platform::dataFile("\\pic\\icon.png"), dir / "pic/icon.png");
    EXPECT_EQ(platform::dataFile("/Log.txt"), dir / "Log.txt");
}

TEST_F(InstalledPrefix, SeedingCopiesWhatTheUserLacksAndNeverTouchesTheShippedFolder) {
    writeFile(shipped() / "Preferences.xml", "<shipped prefs/>");
    writeFile(shipped() / "format.xml", "<shipped formats/>");
    writeFile(shipped() / "script.ent", "script");
    fs::create_directories(shipped() / "image/urlicon");
    writeFile(shipped() / "image/urlicon/web_icon_a.png", "tile");
    writeFile(shipped() / "image/OK_btn.png", "button");
    // Installed files are read-only; the user's copies must not be.
    fs::permissions(shipped() / "Preferences.xml", fs::perms::owner_read | fs::perms::group_read);
    const auto shippedBefore = snapshot(shipped());

    TempDir data;
    const platform::DataFolders folders{shipped(), data / "nested/clipwright"};
    fs::create_directories(folders.user);
    writeFile(folders.user / "format.xml", "<the user's own/>");

    ASSERT_TRUE(platform::prepareUserFolder(folders).ok());
    EXPECT_EQ(snapshot(folders.user),
              (std::map<std::string, std::string>{{"Preferences.xml", "<shipped prefs/>"},
                                                  {"format.xml", "<the user's own/>"},
                                                  {"image/urlicon/web_icon_a.png", "tile"}}));
    EXPECT_NE(fs::status(folders.user / "Preferences.xml").permissions() & fs::perms::owner_write,
              fs::perms::none);

    // A second start keeps what the program wrote since.
    writeFile(folders.user / "Preferences.xml", "<changed/>");
    ASSERT_TRUE(platform::prepareUserFolder(folders).ok());
    EXPECT_EQ(readFile(folders.user / "Preferences.xml"), "<changed/>");
    EXPECT_EQ(snapshot(shipped()), shippedBefore);
}

TEST_F(InstalledPrefix, SeedingReportsThePathThatCannotBeCreated) {
    TempDir data;
    writeFile(data / "occupied", "a file where the folder should go");
    const platform::DataFolders folders{shipped(), data / "occupied/clipwright"};
    const platform::PrepareResult result = platform::prepareUserFolder(folders);
    EXPECT_FALSE(result.ok());
    EXPECT_EQ(result.failedPath, folders.user);
    EXPECT_EQ(result.error, std::errc::not_a_directory);

    // The single-directory layout has nothing to prepare.
    EXPECT_TRUE(platform::prepareUserFolder({data / "occupied", data / "occupied"}).ok());
}

}  // namespace
