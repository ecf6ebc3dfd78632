// Test support for the site-script engine: a script file written into a
// scratch application directory, a loopback HTTP server, and the record of
// one analysis in plain C++ types.
#pragma once

#include "platform/text.h"
#include "sitescript/sitescript.h"
#include "testing/loopback_server.h"
#include "testing/temp_dir.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace sitescript_test {

// What AnalyseUrl returned, copied out of the record.
struct Analysed {
    int status = 0;
    int kind = 0;
    std::int64_t length = 0;
    std::optional<std::string> url, playPath, name, format;
    std::vector<std::pair<std::string, std::string>> parts;  // index, url
};

// One block: SITE "key", BEGIN, the statement lines, END;
std::string block(const std::string& key, const std::vector<std::string>& lines);

// Plain script text ("\n" lines) as the scrambled CR LF file.
std::string packScript(const std::string& plain);

std::optional<std::string> narrow(const char16_t* text);

Analysed analyse(const std::string& url, LoginCallback login = nullptr, std::intptr_t context = 0);

class EngineTest : public ::testing::Test {
protected:
    EngineTest();

    // Writes the blocks as script.ent of the scratch application directory.
    void useScript(const std::string& plain);
    // Starts the server; register handlers on server.server() before.
    void startServer() { server.start(); }
    std::string url(const std::string& path) const { return server.url(path); }

    testing_support::TempDir home;
    testing_support::ScopedEnv homeVariable;
    testing_support::LoopbackServer server;
};

}  // namespace sitescript_test
