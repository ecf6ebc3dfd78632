#include "download/tests/download_fixture.h"

#include "sitescript/tooling.h"

#include <fstream>
#include <mutex>
#include <sstream>
#include <thread>

namespace download_test {

std::string block(const std::string& key, const std::vector<std::string>& lines) {
    std::string text = "SITE \"" + key + "\"\nBEGIN\n";
    for (const std::string& line : lines)
        text += line + "\n";
    return text + "END;\n";
}

std::string streamBlock(const std::string& key, const std::string& title,
                        const std::vector<std::string>& streams) {
    std::vector<std::string> lines = {"VAR N = \"" + title + "\"", "VIDNAME = N;"};
    if (streams.size() == 1) {
        lines.push_back("VAR U = \"" + streams.front() + "\"");
        lines.push_back("VIDURL = U;");
    } else {
        std::string list;
        for (const std::string& stream : streams)
            list += (list.empty() ? "" : "<") + stream;
        lines.push_back("VAR PLAYLISTIDS = \"" + list + "\"");
    }
    return block(key, lines);
}

void writeScript(const std::filesystem::path& home, const std::string& plain) {
    std::string text;
    std::istringstream in(plain);
    for (std::string line; std::getline(in, line);)
        text += line + "\r\n";
    sitescript::scramble(text.data(), text.size());
    testing_support::writeFile(home / "script.ent", text);
}

MediaServer::MediaServer()
    : hits_(std::make_shared<std::map<std::string, int>>()),
      mutex_(std::make_shared<std::mutex>()) {}

// The content type a web server would send for the path's extension; the
// engine's stream probe reads the format from it.
std::string contentType(const std::string& path) {
    if (path.ends_with(".flv"))
        return "video/x-flv";
    if (path.ends_with(".mp4"))
        return "video/mp4";
    return "application/octet-stream";
}

void MediaServer::serve(const std::string& path, std::string content) {
    const std::string type = contentType(path);
    auto body = std::make_shared<std::string>(std::move(content));
    auto hits = hits_;
    auto mutex = mutex_;
    server_.server().Get(
        path, [body, hits, mutex, path, type](const httplib::Request&, httplib::Response& res) {
            {
                std::lock_guard lock(*mutex);
                ++(*hits)[path];
            }
            if (body->empty())  // a provider of size 0 never ends its response
                return res.set_content("", type);
            res.set_content_provider(
                body->size(), type,
                [body](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
                    return sink.write(body->data() + offset, length);
                });
        });
}

void MediaServer::serveFile(const std::string& path, const std::filesystem::path& file) {
    serve(path, contentOf(file));
}

void MediaServer::serveSlowly(const std::string& path, std::string content,
                              std::size_t bytesPerSecond) {
    auto body = std::make_shared<std::string>(std::move(content));
    server_.server().Get(path, [body, bytesPerSecond](const httplib::Request&,
                                                      httplib::Response& res) {
        res.set_content_provider(body->size(), "application/octet-stream",
                                 [body, bytesPerSecond](std::size_t offset, std::size_t length,
                                                        httplib::DataSink& sink) {
                                     const std::size_t now = std::min(length, bytesPerSecond / 10);
                                     std::this_thread::sleep_for(std::chrono::milliseconds(100));
                                     return sink.write(body->data() + offset, now);
                                 });
    });
}

void MediaServer::start() {
    server_.start();
}

int MediaServer::hits(const std::string& path) const {
    std::lock_guard lock(*mutex_);
    auto found = hits_->find(path);
    return found == hits_->end() ? 0 : found->second;
}

std::string contentOf(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

QString qpath(const std::filesystem::path& path) {
    return QString::fromStdString(path.string());
}

}  // namespace download_test
