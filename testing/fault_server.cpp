#include "testing/fault_server.h"

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

FaultServer::FaultServer(std::size_t bodySize) : body_(patternBytes(bodySize)) {
    auto& s = server_.server();
    s.Get("/file", [this](const httplib::Request& req, httplib::Response& res) {
        record(req);
        serve(res, body_.size(), false);
    });
    s.Get("/norange", [this](const httplib::Request& req, httplib::Response& res) {
        record(req);
        const_cast<httplib::Request&>(req).ranges.clear();
        serve(res, body_.size(), false);
    });
    s.Get("/shifted", [this](const httplib::Request& req, httplib::Response& res) {
        record(req);
        auto& ranges = const_cast<httplib::Request&>(req).ranges;
        for (auto& range : ranges) {
            range.second -= range.first;
            range.first = 0;
        }
        serve(res, body_.size(), false);
    });
    s.Get("/cut", [this](const httplib::Request& req, httplib::Response& res) {
        record(req);
        serve(res, cutting_ ? cutAfter.load() : body_.size(), false);
    });
    s.Get("/trickle", [this](const httplib::Request& req, httplib::Response& res) {
        record(req);
        serve(res, trickleBytes, true);
    });
    s.Get("/nolength", [this](const httplib::Request& req, httplib::Response& res) {
        record(req);
        res.status = 200;
        res.set_chunked_content_provider("application/octet-stream",
                                         [this](std::size_t, httplib::DataSink& sink) {
                                             sink.write(body_.data(), body_.size());
                                             sink.done();
                                             return true;
                                         });
    });
    s.Get("/tiny", [this](const httplib::Request& req, httplib::Response& res) {
        record(req);
        res.set_content(body_.substr(0, 31), "application/octet-stream");
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

void FaultServer::record(const httplib::Request& request) {
    std::lock_guard lock(mutex_);
    asked_.emplace_back(request.path, request.get_header_value("Range"));
}

std::vector<std::string> FaultServer::rangesAsked(const std::string& path) {
    std::lock_guard lock(mutex_);
    std::vector<std::string> ranges;
    for (const auto& [asked, range] : asked_) {
        if (asked == path)
            ranges.push_back(range);
    }
    return ranges;
}

// Serves body() with a declared length, so that the server answers Range
// itself; after `limit` bytes of one answer it either cuts the connection
// or, when waitForGate is set, holds the rest until the gate opens.
void FaultServer::serve(httplib::Response& response, std::size_t limit, bool waitForGate) {
    auto sent = std::make_shared<std::size_t>(0);
    response.set_content_provider(
        body_.size(), "application/octet-stream",
        [this, sent, limit, waitForGate](std::size_t offset, std::size_t length,
                                         httplib::DataSink& sink) {
            if (*sent >= limit) {
                if (!waitForGate || !gate.waitOpen(std::chrono::seconds(10)))
                    return false;
                return sink.write(body_.data() + offset, length);
            }
            const std::size_t now = std::min(length, limit - *sent);
            *sent += now;
            return sink.write(body_.data() + offset, now);
        });
}

}  // namespace testing_support
