// The installed programs, as a user meets them: the layout under the
// prefix, the desktop files, the tool against a loopback server, and the
// program started as an unprivileged user who owns nothing but a home.
// The prefix comes from CLIPWRIGHT_INSTALLED_PREFIX (a scratch install
// under CTest; /usr for the package in CI).
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <map>
#include <thread>

#include "core/product_version.h"
#include "platform/process.h"
#include "testing/loopback_server.h"
#include "testing/temp_dir.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testing_support::readFile;
using testing_support::TempDir;

constexpr uid_t kNobody = 65534;

fs::path prefix() {
    const char* value = std::getenv("CLIPWRIGHT_INSTALLED_PREFIX");
    return value ? fs::path(value) : fs::path();
}

// Runs an installed program with a clean environment: only PATH and the
// given HOME, so that nothing of the build (CLIPWRIGHT_HOME, XDG folders)
// leaks into what it sees.
platform::ProcessResult runInstalled(const fs::path& home, const std::string& program,
                                     std::vector<std::string> args,
                                     const std::string& platform = "") {
    std::vector<std::string> argv = {"env", "-i", "PATH=/usr/bin:/bin", "HOME=" + home.string()};
    if (!platform.empty())
        argv.push_back("QT_QPA_PLATFORM=" + platform);
    argv.push_back((prefix() / "bin" / program).string());
    argv.insert(argv.end(), args.begin(), args.end());
    return platform::runProcess(argv, true);
}

// Every regular file under `root`, relative, with its size and time.
std::map<std::string, std::pair<std::uintmax_t, fs::file_time_type>> listing(const fs::path& root) {
    std::map<std::string, std::pair<std::uintmax_t, fs::file_time_type>> files;
    std::error_code error;
    for (auto it = fs::recursive_directory_iterator(root, error);
         !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
        if (it->is_regular_file())
            files[fs::relative(it->path(), root).string()] = {it->file_size(),
                                                              it->last_write_time()};
    }
    return files;
}

// Width and height from a PNG file's header.
std::pair<int, int> pngSize(const fs::path& path) {
    const std::string bytes = readFile(path);
    if (bytes.size() < 24 || bytes.compare(1, 3, "PNG") != 0)
        return {0, 0};
    auto word = [&](std::size_t at) {
        int value = 0;
        for (std::size_t i = 0; i < 4; ++i)
            value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
        return value;
    };
    return {word(16), word(20)};
}

class Installed : public ::testing::Test {
protected:
    void SetUp() override {
        if (prefix().empty())
            GTEST_SKIP() << "CLIPWRIGHT_INSTALLED_PREFIX is not set";
    }
    fs::path data() const { return prefix() / "share/clipwright"; }
};

TEST_F(Installed, LaysOutProgramsPrivateLibrariesDataAndDesktopFiles) {
    for (const char* program : {"clipwright", "clipwright-cli"})
        EXPECT_TRUE(fs::is_regular_file(prefix() / "bin" / program)) << program;
    // Our libraries live in the private folder, out of bin/ and out of the
    // system's library path.
    for (const char* library :
         {"libSiteScript.so", "libsegfetch.so", "libstreamsift.so", "libkestrel.so",
          "libclipwright_platform.so", "libclipwright-cli-media.so"}) {
        EXPECT_TRUE(fs::is_regular_file(prefix() / "lib/clipwright" / library)) << library;
        EXPECT_FALSE(fs::exists(prefix() / "bin" / library)) << library;
        EXPECT_FALSE(fs::exists(prefix() / "lib" / library)) << library;
    }
    for (const char* file :
         {"script.ent", "Preferences.xml", "format.xml", "usualurl.xml", "image/IPAD_128.png",
          "pic/icon.png", "Clipwright Help/Clipwright Help.html"})
        EXPECT_TRUE(fs::is_regular_file(data() / file)) << file;
    EXPECT_FALSE(fs::exists(data() / "Log.txt"));
    EXPECT_FALSE(fs::exists(data() / "image/urlicon"));

    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const std::string folder = std::to_string(size) + "x" + std::to_string(size);
        const fs::path icon = prefix() / "share/icons/hicolor" / folder / "apps/clipwright.png";
        EXPECT_EQ(pngSize(icon), std::make_pair(size, size)) << icon;
    }
    const fs::path man = prefix() / "share/man/man1/clipwright-cli.1.gz";
    ASSERT_TRUE(fs::is_regular_file(man));
    const platform::ProcessResult page = platform::runProcess({"gzip", "-dc", man.string()}, true);
    EXPECT_NE(page.output.find(".TH CLIPWRIGHT\\-CLI 1"), std::string::npos) << page.output;
    // Every command of the help text has its entry, and nothing else does.
    EXPECT_NE(page.output.find("\n.SH COMMANDS\n.TP\n"), std::string::npos) << page.output;
    EXPECT_NE(page.output.find("\\fBanalyse\\fR"), std::string::npos);
    EXPECT_NE(page.output.find("\\fBfetch\\fR"), std::string::npos);
}

TEST_F(Installed, DesktopEntryAndMetainfoValidate) {
    const fs::path entry = prefix() / "share/applications/clipwright.desktop";
    const platform::ProcessResult desktop =
        platform::runProcess({"desktop-file-validate", entry.string()}, true);
    EXPECT_TRUE(desktop.ok()) << desktop.output;
    const std::string text = readFile(entry);
    EXPECT_NE(text.find("\nExec=clipwright %U\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\nCategories=AudioVideo;"), std::string::npos) << text;
    EXPECT_NE(text.find("Network;"), std::string::npos) << text;
    EXPECT_NE(text.find("\nMimeType=video/mp4;"), std::string::npos) << text;

    const fs::path metainfo = prefix() / "share/metainfo/org.example.clipwright.metainfo.xml";
    const platform::ProcessResult appstream =
        platform::runProcess({"appstreamcli", "validate", "--no-net", metainfo.string()}, true);
    EXPECT_TRUE(appstream.ok()) << appstream.output;
}

TEST_F(Installed, BothProgramsTellTheirVersionAndWhereTheirFilesAre) {
    TempDir home;
    const std::string version = product::kVersion;
    platform::ProcessResult run = runInstalled(home.path(), "clipwright-cli", {"--version"});
    EXPECT_TRUE(run.ok());
    EXPECT_EQ(run.output, "clipwright-cli " + version + "\n");
    // No display is needed to ask.
    run = runInstalled(home.path(), "clipwright", {"--version"});
    EXPECT_TRUE(run.ok()) << run.output;
    EXPECT_EQ(run.output, "clipwright " + version + "\n");
    run = runInstalled(home.path(), "clipwright", {"--help"});
    EXPECT_TRUE(run.ok()) << run.output;
    EXPECT_NE(run.output.find(fs::weakly_canonical(data()).string()), std::string::npos)
        << run.output;
    EXPECT_NE(run.output.find((home.path() / ".local/share/clipwright").string()),
              std::string::npos)
        << run.output;
    // Qt takes its own options; anything else is refused before a window.
    run = runInstalled(home.path(), "clipwright", {"-platform", "offscreen", "--colour", "red"},
                       "offscreen");
    EXPECT_EQ(run.exitCode, 2) << run.output;
    EXPECT_NE(run.output.find("clipwright: unknown option '--colour'"), std::string::npos)
        << run.output;
    EXPECT_FALSE(fs::exists(home / ".local/share/clipwright"));
}

TEST_F(Installed, ToolAnalysesWithTheShippedScriptsAndFetches) {
    const std::string clip(300000, 'v');
    std::atomic<int> requests{0};
    testing_support::LoopbackServer server;
    server.server().Get("/videos/clip.mp4", [&](const httplib::Request&, httplib::Response& res) {
        ++requests;
        res.set_content(clip, "video/mp4");
    });
    server.start();
    TempDir home;
    const std::string url = server.url("/videos/clip.mp4");

    platform::ProcessResult analysed =
        runInstalled(home.path(), "clipwright-cli", {"analyse", url});
    EXPECT_TRUE(analysed.ok()) << analysed.output;
    EXPECT_NE(analysed.output.find("\"status\":0,\"kind\":1,\"length\":300000,\"url\":\"" + url),
              std::string::npos)
        << analysed.output;
    EXPECT_NE(analysed.output.find("\"name\":\"clip\""), std::string::npos) << analysed.output;

    const int beforeFetch = requests;
    const fs::path target = home / "clip.mp4";
    platform::ProcessResult fetched =
        runInstalled(home.path(), "clipwright-cli", {"fetch", url, target.string()});
    EXPECT_TRUE(fetched.ok()) << fetched.output;
    EXPECT_EQ(readFile(target), clip);
    EXPECT_GT(requests, beforeFetch);
}

// The program started as uid 65534 with a fresh home: it must find its
// shipped data, seed its folder, and write nothing anywhere else.
class UnprivilegedStart : public Installed {
protected:
    void SetUp() override {
        Installed::SetUp();
        if (IsSkipped())
            return;
        if (geteuid() != 0)
            GTEST_SKIP() << "switching to uid 65534 needs root";
        fs::permissions(scratch.path(), fs::perms::owner_all | fs::perms::group_read |
                                            fs::perms::group_exec | fs::perms::others_read |
                                            fs::perms::others_exec);
        for (const fs::path& folder : {home(), runtime()}) {
            fs::create_directory(folder);
            ASSERT_EQ(chown(folder.c_str(), kNobody, kNobody), 0);
            fs::permissions(folder, fs::perms::owner_all);
        }
    }
    fs::path home() const { return scratch / "home"; }
    fs::path runtime() const { return scratch / "runtime"; }
    fs::path userFolder() const { return home() / ".local/share/clipwright"; }

    pid_t start() {
        const std::vector<std::string> args = {"setpriv",
                                               "--reuid=65534",
                                               "--regid=65534",
                                               "--clear-groups",
                                               "--",
                                               "env",
                                               "-i",
                                               "PATH=/usr/bin:/bin",
                                               "HOME=" + home().string(),
                                               "XDG_RUNTIME_DIR=" + runtime().string(),
                                               "QT_QPA_PLATFORM=offscreen",
                                               (prefix() / "bin/clipwright").string()};
        std::vector<char*> argv;
        for (const std::string& arg : args)
            argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        const std::string output = (scratch / "output.txt").string();
        posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT, 0644);
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
        pid_t pid = -1;
        if (posix_spawnp(&pid, "setpriv", &actions, nullptr, argv.data(), environ) != 0)
            pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        return pid;
    }

    // Waits until `done` holds, checking every 50 ms, for at most `limit`.
    template <typename Condition>
    static bool waitFor(Condition done, std::chrono::seconds limit) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (!done()) {
            if (std::chrono::steady_clock::now() > deadline)
                return false;
            std::this_thread::sleep_for(50ms);
        }
        return true;
    }

    std::string output() const { return readFile(scratch / "output.txt"); }

    TempDir scratch;
};

TEST_F(UnprivilegedStart, WritesOnlyIntoTheHomesDataFolderAndQuitsOnTerm) {
    const auto installedBefore = listing(prefix() / "share/clipwright");
    const auto librariesBefore = listing(prefix() / "lib/clipwright");
    const pid_t pid = start();
    ASSERT_GT(pid, 0);
    const bool started = waitFor(
        [&] {
            return readFile(userFolder() / "Log.txt").find("init mainWindow finished!") !=
                   std::string::npos;
        },
        60s);
    int status = 0;
    if (!started) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        FAIL() << "the program did not start: " << output();
    }
    ASSERT_EQ(kill(pid, SIGTERM), 0);
    const bool ended = waitFor([&] { return waitpid(pid, &status, WNOHANG) == pid; }, 30s);
    if (!ended) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        FAIL() << "the program did not quit on SIGTERM: " << output();
    }
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status << " " << output();

    // The seeded settings are the shipped ones, saved back by the quit
    // sequence into the user's copy.
    EXPECT_TRUE(fs::is_regular_file(userFolder() / "Preferences.xml"));
    EXPECT_NE(readFile(userFolder() / "Preferences.xml").find("<CloseToTray>"), std::string::npos);
    EXPECT_EQ(readFile(userFolder() / "format.xml"), readFile(data() / "format.xml"));
    EXPECT_EQ(readFile(userFolder() / "usualurl.xml"), readFile(data() / "usualurl.xml"));
    struct stat info {};
    ASSERT_EQ(stat((userFolder() / "Preferences.xml").c_str(), &info), 0);
    EXPECT_EQ(info.st_uid, kNobody);

    for (const auto& [file, facts] : listing(home()))
        EXPECT_TRUE(file.starts_with(".local/share/clipwright/")) << file << " written outside";
    EXPECT_EQ(listing(prefix() / "share/clipwright"), installedBefore);
    EXPECT_EQ(listing(prefix() / "lib/clipwright"), librariesBefore);
}

}  // namespace
