// A loopback HTTP server that serves a folder of HLS files and misbehaves
// on request: a status once or always, an answer cut off, a redirect, or
// answers held back until the test lets them go. It logs every request.
#pragma once

#include "testing/loopback_server.h"

#include <condition_variable>
#include <filesystem>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace hls_test {

struct LoggedRequest {
    std::string path;
    std::string range;  // the Range header, empty when none
};

class HlsServer {
public:
    // Serves the files under `root` at their relative paths, with Range.
    explicit HlsServer(std::filesystem::path root);
    // Lets held answers go before the server stops.
    ~HlsServer();

    std::string url(const std::string& path) const { return server_.url(path); }

    // The next `times` requests of `path` get `status` with a short page.
    void failNext(const std::string& path, int status, int times = 1);
    // Every request of `path` gets `status`.
    void failAlways(const std::string& path, int status);
    // The next answer of `path` declares its full length but ends after
    // `bytes` bytes.
    void cutNext(const std::string& path, std::size_t bytes);
    // `path` answers 302 to `target`.
    void redirect(const std::string& path, const std::string& target);
    // `path` answers `body` (served in place of any file).
    void serveText(const std::string& path, const std::string& body,
                   const std::string& type = "application/vnd.apple.mpegurl");
    // Requests of paths in `paths` wait (up to 20 s) until release().
    void hold(std::set<std::string> paths);
    void release();

    std::vector<LoggedRequest> log() const;
    int requestsOf(const std::string& path) const;
    void clearLog();

private:
    void answer(const httplib::Request& request, httplib::Response& response);
    void waitIfHeld(const std::string& path);

    std::filesystem::path root_;
    mutable std::mutex mutex_;
    std::condition_variable released_;
    std::set<std::string> held_;
    std::map<std::string, std::pair<int, int>> failures_;  // path: status, times (-1 always)
    std::map<std::string, std::size_t> cuts_;
    std::map<std::string, std::string> redirects_;
    std::map<std::string, std::pair<std::string, std::string>> texts_;
    std::vector<LoggedRequest> log_;
    // Last, so that it stops (and its handlers end) before the rest goes.
    testing_support::LoopbackServer server_;
};

}  // namespace hls_test
