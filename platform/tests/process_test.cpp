#include "platform/process.h"
#include "platform/app_dir.h"

#include "testing/temp_dir.h"

#include <gtest/gtest.h>

using namespace platform;

TEST(Process, ExitStatusAndArgumentsWithoutShell) {
    EXPECT_TRUE(runProcess({"true"}).ok());
    auto failed = runProcess({"false"});
    EXPECT_TRUE(failed.started);
    EXPECT_EQ(failed.exitCode, 1);
    auto echoed = runProcess({"printf", "%s|", "a b", "it's", "$HOME;rm"}, true);
    EXPECT_EQ(echoed.output, "a b|it's|$HOME;rm|");
    EXPECT_FALSE(runProcess({"/nonexistent/program"}).started);
}

TEST(Process, ApplicationDirFollowsEnvironmentAndFindsProgramsThere) {
    testing_support::TempDir dir;
    {
        testing_support::ScopedEnv home("CLIPWRIGHT_HOME", dir.path().string());
        EXPECT_EQ(applicationDir(), dir.path());
        testing_support::writeFile(dir / "tool", "#!/bin/sh\nexit 3\n");
        std::filesystem::permissions(dir / "tool", std::filesystem::perms::owner_all);
        EXPECT_EQ(findProgram("tool"), dir / "tool");
        EXPECT_EQ(runProcess({findProgram("tool").string()}).exitCode, 3);
    }
    testing_support::ScopedEnv home("CLIPWRIGHT_HOME", "");
    EXPECT_TRUE(std::filesystem::exists(applicationDir() / "platform_tests"));
    EXPECT_FALSE(findProgram("sh").empty());
    EXPECT_TRUE(findProgram("no-such-program-here").empty());
}
