// The fetch command as a user runs it: exit status, target and part files.
#include "platform/process.h"
#include "testing/fault_server.h"
#include "testing/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

using testing_support::readFile;

platform::ProcessResult fetch(const std::vector<std::string>& args) {
    std::vector<std::string> argv = {CLIPWRIGHT_CLI, "fetch"};
    argv.insert(argv.end(), args.begin(), args.end());
    return platform::runProcess(argv, true);
}

TEST(FetchCommand, DownloadsResumesAndReportsFailureInItsStatus) {
    testing_support::FaultServer server(100000);
    testing_support::TempDir dir;
    const std::string target = (dir / "clip.flv").string();

    server.cutAfter = 1000;
    const auto cut = fetch({server.url("/cut"), target, "--connections", "3"});
    EXPECT_EQ(cut.exitCode, 1);
    EXPECT_NE(cut.output.find("bytes"), std::string::npos);  // progress lines
    EXPECT_EQ(std::filesystem::file_size(target + "_2"), 1000u);

    server.setCutting(false);
    EXPECT_EQ(fetch({server.url("/cut"), target, "--connections", "3"}).exitCode, 0);
    EXPECT_EQ(readFile(target), server.body());
    EXPECT_FALSE(std::filesystem::exists(target + "_2"));

    EXPECT_EQ(fetch({server.url("/missing"), (dir / "other").string()}).exitCode, 1);
    EXPECT_EQ(fetch({server.url("/file"), target, "--connections", "0"}).exitCode, 2);
    EXPECT_EQ(fetch({server.url("/file")}).exitCode, 2);
}

}  // namespace
