#include "hls/tests/hls_server.h"

#include "testing/temp_dir.h"

#include <chrono>
#include <memory>

namespace hls_test {
namespace {

std::string contentTypeOf(const std::string& path) {
    if (path.ends_with(".m3u8"))
        return "application/vnd.apple.mpegurl";
    if (path.ends_with(".ts"))
        return "video/mp2t";
    if (path.ends_with(".mp4") || path.ends_with(".m4s"))
        return "video/mp4";
    return "application/octet-stream";
}

}  // namespace

HlsServer::HlsServer(std::filesystem::path root) : root_(std::move(root)) {
    server_.server().Get(R"(/.*)",
                         [this](const httplib::Request& request, httplib::Response& response) {
                             answer(request, response);
                         });
    server_.start();
}

HlsServer::~HlsServer() {
    release();
}

void HlsServer::failNext(const std::string& path, int status, int times) {
    std::lock_guard lock(mutex_);
    failures_[path] = {status, times};
}

void HlsServer::failAlways(const std::string& path, int status) {
    failNext(path, status, -1);
}

void HlsServer::cutNext(const std::string& path, std::size_t bytes) {
    std::lock_guard lock(mutex_);
    cuts_[path] = bytes;
}

void HlsServer::redirect(const std::string& path, const std::string& target) {
    std::lock_guard lock(mutex_);
    redirects_[path] = target;
}

void HlsServer::serveText(const std::string& path, const std::string& body,
                          const std::string& type) {
    std::lock_guard lock(mutex_);
    texts_[path] = {body, type};
}

void HlsServer::hold(std::set<std::string> paths) {
    std::lock_guard lock(mutex_);
    held_ = std::move(paths);
}

void HlsServer::release() {
    std::lock_guard lock(mutex_);
    held_.clear();
    released_.notify_all();
}

std::vector<LoggedRequest> HlsServer::log() const {
    std::lock_guard lock(mutex_);
    return log_;
}

int HlsServer::requestsOf(const std::string& path) const {
    std::lock_guard lock(mutex_);
    int count = 0;
    for (const LoggedRequest& request : log_)
        count += request.path == path;
    return count;
}

void HlsServer::clearLog() {
    std::lock_guard lock(mutex_);
    log_.clear();
}

void HlsServer::waitIfHeld(const std::string& path) {
    std::unique_lock lock(mutex_);
    released_.wait_for(lock, std::chrono::seconds(20), [&] { return !held_.contains(path); });
}

void HlsServer::answer(const httplib::Request& request, httplib::Response& response) {
    const std::string& path = request.path;
    std::size_t cut = std::string::npos;
    {
        std::lock_guard lock(mutex_);
        log_.push_back({path, request.get_header_value("Range")});
        if (auto failure = failures_.find(path); failure != failures_.end()) {
            auto& [status, times] = failure->second;
            response.status = status;
            response.set_content("refused on purpose", "text/plain");
            if (times > 0 && --times == 0)
                failures_.erase(failure);
            return;
        }
        if (auto target = redirects_.find(path); target != redirects_.end()) {
            response.set_redirect(target->second);
            return;
        }
        if (auto text = texts_.find(path); text != texts_.end()) {
            response.set_content(text->second.first, text->second.second);
            return;
        }
        if (auto found = cuts_.find(path); found != cuts_.end()) {
            cut = found->second;
            cuts_.erase(found);
        }
    }
    waitIfHeld(path);
    const std::filesystem::path file = root_ / path.substr(1);
    std::error_code error;
    if (path.find("..") != std::string::npos || !std::filesystem::is_regular_file(file, error)) {
        response.status = 404;
        response.set_content("no such file", "text/plain");
        return;
    }
    auto body = std::make_shared<std::string>(testing_support::readFile(file));
    // A provider with the declared size gets Range handling from the server.
    response.set_content_provider(
        body->size(), contentTypeOf(path),
        [body, cut](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
            if (cut != std::string::npos && offset + length > cut) {
                if (offset < cut)
                    sink.write(body->data() + offset, cut - offset);
                return false;  // the connection breaks here
            }
            sink.write(body->data() + offset, length);
            return true;
        });
}

}  // namespace hls_test
