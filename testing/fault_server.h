// A loopback HTTP server that serves one body in the ways real servers
// misbehave: honouring Range, ignoring it, answering another range,
// cutting connections, trickling, compressing what was not asked to be,
// changing the file between requests, or answering without a usable
// length. Answers that honour Range carry the body's validators (ETag and
// Last-Modified) and honour If-Range.
#pragma once

#include "testing/loopback_server.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace testing_support {

// Deterministic bytes that differ at every offset a test could confuse.
std::string patternBytes(std::size_t size);

// Holds trickling answers until opened; every wait is bounded so that a
// test that forgets to open it still ends.
class Gate {
public:
    void open();
    bool waitOpen(std::chrono::milliseconds limit);

private:
    std::mutex mutex_;
    std::condition_variable opened_;
    bool open_ = false;
};

class FaultServer {
public:
    // Paths, all serving body():
    //   /file      Range honoured (206 with Content-Range)
    //   /norange   Range ignored (200 with the whole body)
    //   /shifted   a ranged request answered from byte 0 with 206
    //   /cut       Range honoured, but every answer ends after cutAfter bytes
    //              while cutting is on
    //   /trickle   Range honoured; every answer sends trickleBytes, then
    //              waits for the gate (at most 10 s) before the rest
    //   /nolength  200, chunked, no Content-Length
    //   /tiny      200 with a body of 31 bytes
    //   /gzip      Range honoured, but ranged answers declare
    //              "Content-Encoding: gzip"
    //   /missing   404 with a 100-byte page
    //   /error     500 with a 100-byte page
    //   /huge      hugeSize() bytes of hugeByte(offset), Range honoured; a
    //              range that starts before hugeServedFrom gets 503
    explicit FaultServer(std::size_t bodySize);
    ~FaultServer();

    // The body served now. Not while replaceBody() runs on another thread.
    const std::string& body() const { return *body_; }
    // Serves `body` from now on, as a new version with new validators.
    void replaceBody(std::string body);
    std::string etag() const;
    std::string lastModified() const;
    std::string url(const std::string& path) const { return server_.url(path); }
    // The Range headers received so far for `path` (empty text: none).
    std::vector<std::string> rangesAsked(const std::string& path);
    // One request as the server saw it.
    struct Asked {
        std::string range;    // empty: none
        std::string ifRange;  // empty: none
    };
    std::vector<Asked> requests(const std::string& path);

    // Tests change these while the server's threads read them.
    void setCutting(bool on) { cutting_ = on; }
    std::atomic<std::size_t> cutAfter{100};
    std::atomic<std::size_t> trickleBytes{10};
    Gate gate;
    std::atomic<std::int64_t> hugeServedFrom{0};

    static constexpr std::int64_t hugeSize() { return (std::int64_t{5} << 30) + 3; }
    // Depends on the offset's high bits too: a truncated offset shows.
    static char hugeByte(std::int64_t offset) {
        return static_cast<char>((offset >> 32) * 7 + offset * 13 + (offset >> 9));
    }

private:
    struct Version {
        std::shared_ptr<const std::string> body;
        std::string etag;
        std::string lastModified;
    };
    Version current() const;
    void record(const httplib::Request& request);
    // Sends the validators and drops the ranges of a request whose If-Range
    // names another version; returns the version to serve.
    Version honourIfRange(const httplib::Request& request, httplib::Response& response);
    void serve(const Version& version, httplib::Response& response, std::size_t limit,
               bool waitForGate);

    mutable std::mutex mutex_;
    std::shared_ptr<const std::string> body_;
    int version_ = 1;
    const int instance_;
    std::vector<std::pair<std::string, Asked>> asked_;

    std::atomic<bool> cutting_{true};
    testing_support::LoopbackServer server_;
};

}  // namespace testing_support
