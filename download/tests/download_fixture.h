// Test support for the download workflow: a scratch application directory
// with a site script of the test's making, a loopback server for pages and
// media files, and a Qt application object for the workers' signals.
#pragma once

#include "testing/loopback_server.h"
#include "testing/media.h"
#include "testing/queued_signal_spy.h"
#include "testing/temp_dir.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QString>

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
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

// Files served by a loopback server, with Range support, and counts of
// the requests each path received and of the body bytes it sent.
class MediaServer {
public:
    MediaServer();
    // Serves `content` at `path` ("/a.flv"); register before start().
    void serve(const std::string& path, std::string content);
    // Serves the file's bytes at `path`.
    void serveFile(const std::string& path, const std::filesystem::path& file);
    // Serves `content` slowly: `bytesPerSecond` per request. Its ranged
    // requests (a transfer's segments) are counted while they run.
    void serveSlowly(const std::string& path, std::string content, std::size_t bytesPerSecond);
    // Paths served slowly with a ranged request running now, and the most
    // there ever were at once: the transfers the server sees.
    int pathsInTransfer() const;
    int peakPathsInTransfer() const;
    // For handlers of a test's own; register before start().
    httplib::Server& server() { return server_.server(); }
    void start();
    std::string url(const std::string& path) const { return server_.url(path); }
    int hits(const std::string& path) const;
    // Body bytes sent for `path` so far.
    std::int64_t bytesSent(const std::string& path) const;
    // While set, `path` is answered with 404.
    void setMissing(const std::string& path, bool missing);

private:
    struct Counts {
        std::mutex mutex;
        std::map<std::string, int> hits;
        std::map<std::string, std::int64_t> bytes;
        std::map<std::string, bool> missing;
        std::map<std::string, int> rangedRequests;
        int pathsInTransfer = 0;
        int peakPathsInTransfer = 0;
        void beginRanged(const std::string& path);
        void endRanged(const std::string& path);
    };
    // Counts the request; false when it is to be answered with 404.
    static bool admit(Counts& counts, const std::string& path, httplib::Response& res);

    testing_support::LoopbackServer server_;
    std::shared_ptr<Counts> counts_;
};

// A site whose stream addresses expire. Each request of the page
// "/watch" answers the next address of the stream, "/stream/0",
// "/stream/1", ... (the page's whole text), and the site script reads it
// from there. An address serves ranged requests until its byte budget is
// spent, then cuts its connections and answers 403 to every request from
// then on. The server counts page requests, the bytes each address sent,
// and for every byte of the stream how often a ranged answer sent it.
class ExpiringStream {
public:
    explicit ExpiringStream(std::string content);
    // The bytes address `n` serves before it expires (0: it expires at its
    // first ranged request); unlimited when not set. Before start().
    void setBudget(int n, std::int64_t bytes);
    // Address `n` serves `content` instead (another file). Before start().
    void setContent(int n, std::string content);
    void start();
    std::string pageUrl() const { return server_.url("/watch"); }
    std::string addressUrl(int n) const { return server_.url("/stream/" + std::to_string(n)); }
    // The block that reads the stream address from the page.
    std::string scriptBlock(const std::string& title) const;
    int pageRequests() const;
    std::int64_t bytesSent(int n) const;
    // Bytes of the common content sent more than once, and never sent.
    std::int64_t bytesSentTwice() const;
    std::int64_t bytesNeverSent() const;

private:
    struct State;
    testing_support::LoopbackServer server_;
    std::shared_ptr<State> state_;
};

// True once `spy` has caught a signal, also one emitted before the call.
// Signals that worker threads emit go to a QueuedSignalSpy.
bool caught(QSignalSpy& spy, int timeoutMs = 30000);
bool caught(testing_support::QueuedSignalSpy& spy, int timeoutMs = 30000);

// The Qt application object of a headless test binary, created once.
void ensureCoreApp();

// Processes events for about `ms` milliseconds.
void waitEvents(int ms);

// Runs the event loop until `condition` holds; false after `timeoutMs`.
template <typename Condition>
bool waitFor(Condition condition, int timeoutMs = 20000) {
    for (int waited = 0; !condition(); waited += 20) {
        if (waited > timeoutMs)
            return false;
        waitEvents(20);
    }
    return true;
}

// A one-second 160x120 clip, small enough to serve and combine fast.
testing_support::ClipOptions smallClip();

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
