// clipwright-cli: every engine of the project on the command line.
#include "cli/command.h"
#include "core/product_version.h"

#include <dlfcn.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <iostream>

namespace {

// The folder of the tool's shared library, where its command modules lie:
// beside the executable in the build tree, the private library folder once
// installed.
std::filesystem::path moduleDir() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&cli::commands), &info) == 0 || !info.dli_fname)
        return {};
    std::error_code error;
    const std::filesystem::path library = std::filesystem::canonical(info.dli_fname, error);
    return error ? std::filesystem::path() : library.parent_path();
}

// Loads the command modules ("libclipwright-cli-*.so"); each registers its
// commands as it loads. A module that fails to load is reported and skipped.
void loadCommandModules() {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(moduleDir(), error)) {
        const std::string name = entry.path().filename().string();
        if (!name.starts_with("libclipwright-cli-") || !name.ends_with(".so"))
            continue;
        if (!dlopen(entry.path().c_str(), RTLD_NOW | RTLD_LOCAL))
            std::cerr << "clipwright-cli: cannot load " << name << ": " << dlerror() << "\n";
    }
}

const cli::Command* findCommand(const std::string& name) {
    for (const cli::Command& command : cli::commands())
        if (name == command.name)
            return &command;
    return nullptr;
}

void printHelp(std::ostream& out) {
    loadCommandModules();
    out << "usage: clipwright-cli <command> [arguments]\n"
           "       clipwright-cli --help | --version\n\ncommands:\n";
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
    if (name == "--version") {
        std::cout << "clipwright-cli " << product::kVersion << "\n";
        return 0;
    }
    const cli::Command* command = findCommand(name);
    if (!command) {
        loadCommandModules();
        command = findCommand(name);
    }
    if (command) {
        cli::keepLibraryOutputOffStdout();
        const int status = command->run(std::vector<std::string>(argv + 2, argv + argc));
        std::cout.flush();
        return status;
    }
    std::cerr << "clipwright-cli: unknown command '" << name << "'\n";
    printHelp(std::cerr);
    return cli::kUsageError;
}
