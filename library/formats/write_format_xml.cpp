// Build step: writes the shipped "format.xml" into the application
// directory given as the only argument.
#include "library/formats/format_presets.h"
#include "platform/atomic_file.h"

#include <cstdio>
#include <filesystem>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: write_format_xml APPLICATION_DIR\n");
        return 2;
    }
    std::string error;
    const std::filesystem::path target = std::filesystem::path(argv[1]) / "format.xml";
    if (!platform::writeFileAtomically(target, formats::formatXmlDocument(), &error)) {
        std::fprintf(stderr, "write_format_xml: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
