#include "testing/fault_server.h"

#include <cstdio>
#include <memory>

namespace testing_support {

std::string patternBytes(std::size_t size) {
    std::string bytes(size, '\0');
    std::uint32_t state = 2463534242u;
    for (char& byte : bytes) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        byte = static_cast<char>(state);
    }
    return bytes;
}

void Gate::open() {
    std::lock_guard lock(mutex_);
    open_ = true;
    opened_.notify_all();
}

bool Gate::waitOpen(std::chrono::milliseconds limit) {
    std::unique_lock lock(mutex_);
    return opened_.wait_for(lock, limit, [this] { return open_; });
}

namespace {
std::atomic<int> instances{0};
}  // namespace

FaultServer::FaultServer(std::size_t bodySize)
    : body_(std::make_shared<const std::string>(patternBytes(bodySize))), instance_(++instances) {
    auto& s = server_.server();
    s.Get("/file", [this](const httplib::Request& req, httplib::Response& res) {
        record(req);
        const Version version = honourIfRange(req, res);
        serve(version, res, version.body->size(), false);
    });
    s.Get("/norange", [this](const httplib::Request& req, httplib::Response& res) {
        record(req);
        const Version version = honourIfRange(req, res);
        const_cast<httplib::Request&>(req).ranges.clear();
        serve(version, res, version.body->size(), false);
    });
    s.Get("/shifted", [this](const httplib::Request& req, httplib::Response& res) {
        record(req);
        const Version version = honourIfRange(req, res);
        auto& ranges = const_cast<httplib::Request&>(req).ranges;
        for (auto& range : ranges) {
            range.second -= range.first;
            range.first = 0;
        }
        serve(version, res, version.body->size(), false);
    });
    s.Get("/cut", [this](const httplib::Request& req, httplib::Response& res) {
        record(req);
        const Version version = honourIfRange(req, res);
        serve(version, res, cutting_ ? cutAfter.load() : version.body->size(), false);
    });
    s.Get("/trickle", [this](const httplib::Request& req, httplib::Response& res) {
        record(req);
        const Version version = honourIfRange(req, res);
        serve(version, res, trickleBytes, true);
    });
    s.Get("/gzip", [this](const httplib::Request& req, httplib::Response& res) {
        record(req);
        const Version version = honourIfRange(req, res);
        if (!req.ranges.empty())
            res.set_header("Content-Encoding", "gzip");
        serve(version, res, version.body->size(), false);
    });
    s.Get("/error", [this](const httplib::Request& req, httplib::Response& res) {
        record(req);
        res.status = 500;
        res.set_content(std::string(100, 'x'), "text/plain");
    });
    s.Get("/nolength", [this](const httplib::Request& req, httplib::Response& res) {
        record(req);
        res.status = 200;
        res.set_chunked_content_provider("application/octet-stream",
                                         [this](std::size_t, httplib::DataSink& sink) {
                                             sink.write(body().data(), body().size());
                                             sink.done();
                                             return true;
                                         });
    });
    s.Get("/tiny", [this](const httplib::Request& req, httplib::Response& res) {
        record(req);
        res.set_content(body().substr(0, 31), "application/octet-stream");
    });
    s.Get("/missing", [this](const httplib::Request& req, httplib::Response& res) {
        record(req);
        res.status = 404;
        res.set_content(std::string(100, 'x'), "text/plain");
    });
    s.Get("/huge", [this](const httplib::Request& req, httplib::Response& res) {
        record(req);
        for (const auto& range : req.ranges) {
            if (range.first < hugeServedFrom) {
                res.status = 503;
                return;
            }
        }
        res.set_content_provider(
            static_cast<std::size_t>(hugeSize()), "application/octet-stream",
            [](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
                std::string block(std::min<std::size_t>(length, 65536), '\0');
                for (std::size_t i = 0; i < block.size(); ++i)
                    block[i] = hugeByte(static_cast<std::int64_t>(offset + i));
                return sink.write(block.data(), block.size());
            });
    });
    server_.start();
}

FaultServer::~FaultServer() {
    gate.open();  // lets held answers end before the server stops
}

void FaultServer::replaceBody(std::string body) {
    std::lock_guard lock(mutex_);
    body_ = std::make_shared<const std::string>(std::move(body));
    ++version_;
}

FaultServer::Version FaultServer::current() const {
    std::lock_guard lock(mutex_);
    // Distinct for every server and version; the date moves with the version.
    const std::string tag = std::to_string(instance_) + "-" + std::to_string(version_);
    char date[64];
    std::snprintf(date, sizeof date, "Tue, 08 Dec 2026 %02d:%02d:%02d GMT", instance_ % 24,
                  version_ / 60 % 60, version_ % 60);
    return {body_, "\"" + tag + "\"", date};
}

std::string FaultServer::etag() const {
    return current().etag;
}

std::string FaultServer::lastModified() const {
    return current().lastModified;
}

FaultServer::Version FaultServer::honourIfRange(const httplib::Request& request,
                                                httplib::Response& response) {
    Version version = current();
    response.set_header("ETag", version.etag);
    response.set_header("Last-Modified", version.lastModified);
    if (request.has_header("If-Range")) {
        const std::string validator = request.get_header_value("If-Range");
        if (validator != version.etag && validator != version.lastModified)
            const_cast<httplib::Request&>(request).ranges.clear();  // the whole new file
    }
    return version;
}

void FaultServer::record(const httplib::Request& request) {
    std::lock_guard lock(mutex_);
    asked_.emplace_back(request.path, Asked{request.get_header_value("Range"),
                                            request.get_header_value("If-Range")});
}

std::vector<std::string> FaultServer::rangesAsked(const std::string& path) {
    std::vector<std::string> ranges;
    for (const Asked& asked : requests(path))
        ranges.push_back(asked.range);
    return ranges;
}

std::vector<FaultServer::Asked> FaultServer::requests(const std::string& path) {
    std::lock_guard lock(mutex_);
    std::vector<Asked> found;
    for (const auto& [asked, request] : asked_) {
        if (asked == path)
            found.push_back(request);
    }
    return found;
}

// Serves body() with a declared length, so that the server answers Range
// itself; after `limit` bytes of one answer it either cuts the connection
// or, when waitForGate is set, holds the rest until the gate opens.
void FaultServer::serve(const Version& version, httplib::Response& response, std::size_t limit,
                        bool waitForGate) {
    auto sent = std::make_shared<std::size_t>(0);
    std::shared_ptr<const std::string> body = version.body;
    response.set_content_provider(
        body->size(), "application/octet-stream",
        [this, body, sent, limit, waitForGate](std::size_t offset, std::size_t length,
                                               httplib::DataSink& sink) {
            if (*sent >= limit) {
                if (!waitForGate || !gate.waitOpen(std::chrono::seconds(10)))
                    return false;
                return sink.write(body->data() + offset, length);
            }
            const std::size_t now = std::min(length, limit - *sent);
            *sent += now;
            return sink.write(body->data() + offset, now);
        });
}

}  // namespace testing_support
