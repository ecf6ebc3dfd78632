// Build-time tool: joins the plain site scripts into one scrambled
// script.ent, lines ending in CR LF as the file format expects.
//
// usage: pack_scripts OUTPUT INPUT...
#include "sitescript/tooling.h"

#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

namespace {

// The plain text of one script with every line ending in CR LF.
bool appendWithCrLf(const char* path, std::string& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        out += line + "\r\n";
    }
    return !in.bad();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::cerr << "usage: pack_scripts OUTPUT INPUT...\n";
        return 2;
    }
    std::string text;
    for (int i = 2; i < argc; ++i) {
        if (!appendWithCrLf(argv[i], text)) {
            std::cerr << "pack_scripts: cannot read " << argv[i] << "\n";
            return 1;
        }
    }
    sitescript::scramble(text.data(), text.size());
    std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    if (!out.flush()) {
        std::cerr << "pack_scripts: cannot write " << argv[1] << "\n";
        return 1;
    }
    return 0;
}
