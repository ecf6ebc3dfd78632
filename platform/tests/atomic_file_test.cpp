#include "platform/atomic_file.h"
#include "platform/file_io.h"

#include "testing/temp_dir.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <iterator>

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

// Saves over `target` in a child process whose files may not grow past 1 KiB,
// so that the write itself fails as it does on a full disk. Returns the
// child's verdict: 1 when the save reported failure with a reason.
int saveWithFileSizeLimit(const std::filesystem::path& target, const std::string& data) {
    const pid_t child = fork();
    if (child == 0) {
        const rlimit limit{1024, 1024};
        signal(SIGXFSZ, SIG_IGN);  // the write then fails with EFBIG instead
        setrlimit(RLIMIT_FSIZE, &limit);
        std::string error;
        const bool saved = writeFileAtomically(target, data, &error);
        _exit(!saved && error.find("File too large") != std::string::npos ? 1 : 2);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(AtomicFile, AFailedSaveKeepsTheOldFile) {
    testing_support::TempDir dir;
    const auto target = dir / "list.xml";
    testing_support::writeFile(target, "<list>old</list>");
    EXPECT_EQ(saveWithFileSizeLimit(target, std::string(64 * 1024, 'n')), 1);
    EXPECT_EQ(testing_support::readFile(target), "<list>old</list>");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1)
        << "the temporary file is removed";

    std::string error;
    EXPECT_FALSE(writeFileAtomically(dir / "missing-folder" / "x.xml", "data", &error));
    EXPECT_NE(error.find("No such file or directory"), std::string::npos) << error;
}

TEST(AtomicFile, KeepAsideNumbersEachDamagedFile) {
    testing_support::TempDir dir;
    const auto list = dir / "Preferences.xml";
    const std::string damaged[] = {"<broken", "<broken again", "<and again"};
    const char* asideNames[] = {"Preferences.xml.bad", "Preferences.xml.bad1",
                                "Preferences.xml.bad2"};
    for (int i = 0; i < 3; ++i) {
        testing_support::writeFile(list, damaged[i]);
        EXPECT_EQ(keepAside(list), dir / asideNames[i]);
        EXPECT_FALSE(std::filesystem::exists(list));
    }
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(testing_support::readFile(dir / asideNames[i]), damaged[i]);
    EXPECT_EQ(keepAside(dir / "missing.xml"), std::filesystem::path());
}

TEST(RenameWithoutReplacing, MovesToAFreeNameAndRefusesATakenOne) {
    testing_support::TempDir dir;
    testing_support::writeFile(dir / "a.mp4", "first");
    testing_support::writeFile(dir / "b.mp4", "second");
    std::string error;
    EXPECT_FALSE(renameWithoutReplacing(dir / "a.mp4", dir / "b.mp4", &error));
    EXPECT_EQ(error, "File exists");
    EXPECT_EQ(testing_support::readFile(dir / "a.mp4"), "first");
    EXPECT_EQ(testing_support::readFile(dir / "b.mp4"), "second");
    ASSERT_TRUE(renameWithoutReplacing(dir / "a.mp4", dir / "c.mp4"));
    EXPECT_FALSE(std::filesystem::exists(dir / "a.mp4"));
    EXPECT_EQ(testing_support::readFile(dir / "c.mp4"), "first");
    EXPECT_FALSE(renameWithoutReplacing(dir / "missing.mp4", dir / "d.mp4", &error));
    EXPECT_EQ(error, "No such file or directory");
}

