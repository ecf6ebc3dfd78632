#include "platform/atomic_file.h"

#include "testing/temp_dir.h"

#include <gtest/gtest.h>

using namespace platform;

TEST(AtomicFile, ReplacesContentAndLeavesNoTemporaries) {
    testing_support::TempDir dir;
    const auto target = dir / "list.xml";
    testing_support::writeFile(target, "old content that is longer");
    ASSERT_TRUE(writeFileAtomically(target, "new"));
    EXPECT_EQ(testing_support::readFile(target), "new");
    int files = 0;
    for (auto& entry : std::filesystem::directory_iterator(dir.path()))
        files += entry.is_regular_file();
    EXPECT_EQ(files, 1);
}

TEST(AtomicFile, FailureKeepsTheOldFile) {
    testing_support::TempDir dir;
    std::string error;
    EXPECT_FALSE(writeFileAtomically(dir / "missing-folder" / "x.xml", "data", &error));
    EXPECT_FALSE(error.empty());
}

TEST(AtomicFile, KeepAsideRenamesWithBadSuffix) {
    testing_support::TempDir dir;
    testing_support::writeFile(dir / "Preferences.xml", "<broken");
    auto aside = keepAside(dir / "Preferences.xml");
    EXPECT_EQ(aside, dir / "Preferences.xml.bad");
    EXPECT_EQ(testing_support::readFile(aside), "<broken");
    EXPECT_FALSE(std::filesystem::exists(dir / "Preferences.xml"));
}
