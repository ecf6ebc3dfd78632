#include "platform/process.h"

#include "platform/app_dir.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <sstream>

extern char** environ;

namespace platform {
namespace {

bool isExecutableFile(const std::filesystem::path& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error) && access(path.c_str(), X_OK) == 0;
}

enum class Capture { Nothing, StdoutAndStderr, StdoutOnly };

ProcessResult run(const std::vector<std::string>& argv, Capture capture);

}  // namespace

std::filesystem::path findProgram(const std::string& name) {
    if (auto local = applicationDir() / name; isExecutableFile(local))
        return local;
    const char* pathVariable = std::getenv("PATH");
    std::stringstream dirs(pathVariable ? pathVariable : "/usr/local/bin:/usr/bin:/bin");
    for (std::string dir; std::getline(dirs, dir, ':');) {
        if (dir.empty())
            continue;
        if (auto candidate = std::filesystem::path(dir) / name; isExecutableFile(candidate))
            return candidate;
    }
    return {};
}

ProcessResult runProcess(const std::vector<std::string>& argv, bool captureOutput) {
    return run(argv, captureOutput ? Capture::StdoutAndStderr : Capture::Nothing);
}

ProcessResult runProcessForStdout(const std::vector<std::string>& argv) {
    return run(argv, Capture::StdoutOnly);
}

namespace {

ProcessResult run(const std::vector<std::string>& argv, Capture capture) {
    const bool captureOutput = capture != Capture::Nothing;
    ProcessResult result;
    if (argv.empty())
        return result;
    std::vector<char*> args;
    for (const std::string& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);

    int pipeFds[2] = {-1, -1};
    if (captureOutput && pipe2(pipeFds, O_CLOEXEC) != 0)
        return result;

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    if (captureOutput) {
        posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
        if (capture == Capture::StdoutOnly)
            posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        else
            posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDERR_FILENO);
    } else {
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    }
    pid_t pid = -1;
    const int spawnError = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (captureOutput)
        close(pipeFds[1]);
    if (spawnError != 0) {
        if (captureOutput)
            close(pipeFds[0]);
        return result;
    }
    if (captureOutput) {
        char buffer[4096];
        for (ssize_t n; (n = read(pipeFds[0], buffer, sizeof buffer)) != 0;) {
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                break;
            result.output.append(buffer, static_cast<size_t>(n));
        }
        close(pipeFds[0]);
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            return result;
    }
    // posix_spawnp reports a missing program through exit status 127.
    result.started = !(WIFEXITED(status) && WEXITSTATUS(status) == 127);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

}  // namespace

}  // namespace platform
