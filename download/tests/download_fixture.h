// Test support for the download workflow: a scratch application directory
// with a site script of the test's making, a loopback server for pages and
// media files, and a Qt application object for the workers' signals.
#pragma once

#include "testing/loopback_server.h"
#include "testing/temp_dir.h"

#include <gtest/gtest.h>

#include <QString>

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace download_test {

// One script block: SITE "key", BEGIN, the statement lines, END;
std::string block(const std::string& key, const std::vector<std::string>& lines);

// A block for `key` that names the video `title` and points at `streams`:
// one stream URL, or several joined as PLAYLISTIDS.
std::string streamBlock(const std::string& key, const std::string& title,
                        const std::vector<std::string>& streams);

// Writes the plain script text as the scrambled "script.ent" into `home`.
void writeScript(const std::filesystem::path& home, const std::string& plain);

// Files served by a loopback server, with Range support, and a count of
// the requests each path received.
class MediaServer {
public:
    MediaServer();
    // Serves `content` at `path` ("/a.flv"); register before start().
    void serve(const std::string& path, std::string content);
    // Serves the file's bytes at `path`.
    void serveFile(const std::string& path, const std::filesystem::path& file);
    // Serves `content` slowly: `bytesPerSecond` per request.
    void serveSlowly(const std::string& path, std::string content, std::size_t bytesPerSecond);
    void start();
    std::string url(const std::string& path) const { return server_.url(path); }
    int hits(const std::string& path) const;

private:
    testing_support::LoopbackServer server_;
    std::shared_ptr<std::map<std::string, int>> hits_;
    std::shared_ptr<std::mutex> mutex_;
};

// Bytes of the file (empty when missing).
std::string contentOf(const std::filesystem::path& path);
QString qpath(const std::filesystem::path& path);

// Sets CLIPWRIGHT_HOME to a scratch folder for each test.
class HomeTest : public ::testing::Test {
protected:
    std::filesystem::path homePath() const { return home_.path(); }
    testing_support::ScratchAppDir home_;
};

}  // namespace download_test
