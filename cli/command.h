// The subcommands of clipwright-cli. Each command file registers its
// commands with a static Registrar; main() dispatches on the first word.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace cli {

// Exit status for a command line that does not parse.
constexpr int kUsageError = 2;

using Handler = int (*)(const std::vector<std::string>& args);

struct Command {
    const char* name;
    const char* usage;    // argument synopsis, e.g. "URL TARGET [--connections N]"
    const char* summary;  // one line for the help text
    Handler run;
};

class Registrar {
public:
    explicit Registrar(const Command& command);
};

const std::vector<Command>& commands();

// Prints "usage: clipwright-cli <name> <usage>" to standard error and
// returns kUsageError.
int usageError(const Command& command);

// Arguments split into positional words and "--name value" options.
// Options named in `flags` take no value ("--trace").
class Arguments {
public:
    Arguments(const std::vector<std::string>& args, const std::vector<std::string>& flags = {});

    bool ok() const { return ok_; }  // false when an option lacks its value
    const std::vector<std::string>& positional() const { return positional_; }
    std::optional<std::string> option(const std::string& name) const;
    // The option as a whole number from `min` to `max`, or `absent` when it
    // was not given; nullopt when it was given as anything else.
    std::optional<int> number(const std::string& name, int absent, int min, int max) const;
    bool flag(const std::string& name) const;
    // Names of options and flags that were given but are not in `known`.
    std::vector<std::string> unknown(const std::vector<std::string>& known) const;

private:
    bool ok_ = true;
    std::vector<std::string> positional_;
    std::vector<std::pair<std::string, std::string>> options_;
    std::vector<std::string> flags_;
};

// The libraries print diagnostics on standard output. This sends file
// descriptor 1 to standard error and points std::cout at the real standard
// output, so that a command's results (written to std::cout) stay readable
// by whatever parses them. Called once by main() before a command runs.
void keepLibraryOutputOffStdout();

// Quotes a string as a JSON string literal.
std::string jsonString(const std::string& text);

}  // namespace cli
