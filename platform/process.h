// Starting outside programs without a shell.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace platform {

// Looks a program up first in the application directory, then on PATH.
// Returns an empty path when it is found in neither.
std::filesystem::path findProgram(const std::string& name);

struct ProcessResult {
    bool started = false;  // the program could be executed at all
    int exitCode = -1;     // exit status; -1 when it did not start or ended on a signal
    std::string output;    // standard output and error, when captured
    bool ok() const { return started && exitCode == 0; }
};

// Runs argv[0] (a path, or a name looked up on PATH) with the argument
// vector, no shell and no length limit, waits for it and returns its exit
// status. Standard input is /dev/null; standard output and error are
// discarded unless captureOutput is set.
ProcessResult runProcess(const std::vector<std::string>& argv, bool captureOutput = false);

// As runProcess, capturing standard output alone; standard error is
// discarded.
ProcessResult runProcessForStdout(const std::vector<std::string>& argv);

}  // namespace platform
