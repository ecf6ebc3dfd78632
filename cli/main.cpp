// clipwright-cli: every engine of the project on the command line.
#include "command.h"

#include <csignal>
#include <cstring>
#include <iostream>

namespace {

void printHelp(std::ostream& out) {
    out << "usage: clipwright-cli <command> [arguments]\n\ncommands:\n";
    for (const cli::Command& c : cli::commands())
        out << "  " << c.name << " " << c.usage << "\n      " << c.summary << "\n";
}

}  // namespace

int main(int argc, char** argv) {
    // A peer that closes its connection must not kill the tool on the next send.
    std::signal(SIGPIPE, SIG_IGN);
    if (argc < 2) {
        printHelp(std::cerr);
        return cli::kUsageError;
    }
    const std::string name = argv[1];
    if (name == "help" || name == "--help" || name == "-h") {
        printHelp(std::cout);
        return 0;
    }
    for (const cli::Command& command : cli::commands()) {
        if (name == command.name)
            return command.run(std::vector<std::string>(argv + 2, argv + argc));
    }
    std::cerr << "clipwright-cli: unknown command '" << name << "'\n";
    printHelp(std::cerr);
    return cli::kUsageError;
}
