#include "download/tests/download_fixture.h"

#include "sitescript/tooling.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTest>

#include <algorithm>
#include <fstream>
#include <mutex>
#include <set>
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

MediaServer::MediaServer() : counts_(std::make_shared<Counts>()) {}

bool MediaServer::admit(Counts& counts, const std::string& path, httplib::Response& res) {
    std::lock_guard lock(counts.mutex);
    ++counts.hits[path];
    if (!counts.missing[path])
        return true;
    res.status = 404;
    res.set_content("no such file", "text/plain");
    return false;
}

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
    auto counts = counts_;
    server_.server().Get(
        path, [body, counts, path, type](const httplib::Request&, httplib::Response& res) {
            if (!admit(*counts, path, res))
                return;
            if (body->empty())  // a provider of size 0 never ends its response
                return res.set_content("", type);
            res.set_content_provider(body->size(), type,
                                     [body, counts, path](std::size_t offset, std::size_t length,
                                                          httplib::DataSink& sink) {
                                         {
                                             std::lock_guard lock(counts->mutex);
                                             counts->bytes[path] += std::int64_t(length);
                                         }
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
    auto counts = counts_;
    server_.server().Get(path, [body, counts, path, bytesPerSecond](const httplib::Request& req,
                                                                    httplib::Response& res) {
        if (!admit(*counts, path, res))
            return;
        // Segment requests ask for a range; a length probe does not.
        const bool ranged = req.has_header("Range");
        if (ranged)
            counts->beginRanged(path);
        res.set_content_provider(
            body->size(), "application/octet-stream",
            [body, counts, path, bytesPerSecond](std::size_t offset, std::size_t length,
                                                 httplib::DataSink& sink) {
                const std::size_t now = std::min(length, bytesPerSecond / 10);
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
                if (!sink.write(body->data() + offset, now))
                    return false;
                std::lock_guard lock(counts->mutex);
                counts->bytes[path] += std::int64_t(now);
                return true;
            },
            [counts, path, ranged](bool) {
                if (ranged)
                    counts->endRanged(path);
            });
    });
}

void MediaServer::Counts::beginRanged(const std::string& path) {
    std::lock_guard lock(mutex);
    if (rangedRequests[path]++ == 0)
        ++pathsInTransfer;
    peakPathsInTransfer = std::max(peakPathsInTransfer, pathsInTransfer);
}

void MediaServer::Counts::endRanged(const std::string& path) {
    std::lock_guard lock(mutex);
    if (--rangedRequests[path] == 0)
        --pathsInTransfer;
}

int MediaServer::peakPathsInTransfer() const {
    std::lock_guard lock(counts_->mutex);
    return counts_->peakPathsInTransfer;
}

int MediaServer::pathsInTransfer() const {
    std::lock_guard lock(counts_->mutex);
    return counts_->pathsInTransfer;
}

void MediaServer::start() {
    server_.start();
}

int MediaServer::hits(const std::string& path) const {
    std::lock_guard lock(counts_->mutex);
    auto found = counts_->hits.find(path);
    return found == counts_->hits.end() ? 0 : found->second;
}

std::int64_t MediaServer::bytesSent(const std::string& path) const {
    std::lock_guard lock(counts_->mutex);
    auto found = counts_->bytes.find(path);
    return found == counts_->bytes.end() ? 0 : found->second;
}

void MediaServer::setMissing(const std::string& path, bool missing) {
    std::lock_guard lock(counts_->mutex);
    counts_->missing[path] = missing;
}

struct ExpiringStream::State {
    std::mutex mutex;
    std::shared_ptr<const std::string> content;
    std::map<int, std::shared_ptr<const std::string>> otherContent;
    std::map<int, std::int64_t> budget;
    std::map<int, std::int64_t> reserved;  // of the budget
    std::map<int, std::int64_t> sent;
    std::set<int> expired;
    std::vector<std::uint8_t> timesSent;  // per byte of `content`
    int pageRequests = 0;

    std::shared_ptr<const std::string> contentOf(int n) {
        auto found = otherContent.find(n);
        return found == otherContent.end() ? content : found->second;
    }
    // Takes up to `wanted` bytes from address n's budget; 0 once it is spent,
    // and the address is expired from then on.
    std::size_t reserve(int n, std::size_t wanted) {
        std::lock_guard lock(mutex);
        auto budgetOf = budget.find(n);
        if (budgetOf == budget.end())
            return wanted;
        const std::int64_t left = budgetOf->second - reserved[n];
        if (left <= 0 || expired.count(n)) {
            expired.insert(n);
            return 0;
        }
        const std::int64_t now = std::min<std::int64_t>(left, std::int64_t(wanted));
        reserved[n] += now;
        return std::size_t(now);
    }
    void count(int n, std::size_t offset, std::size_t length) {
        std::lock_guard lock(mutex);
        sent[n] += std::int64_t(length);
        if (otherContent.count(n))
            return;
        for (std::size_t i = offset; i < offset + length; ++i)
            ++timesSent[i];
    }
};

ExpiringStream::ExpiringStream(std::string content) : state_(std::make_shared<State>()) {
    state_->timesSent.assign(content.size(), 0);
    state_->content = std::make_shared<const std::string>(std::move(content));
}

void ExpiringStream::setBudget(int n, std::int64_t bytes) {
    state_->budget[n] = bytes;
}

void ExpiringStream::setContent(int n, std::string content) {
    state_->otherContent[n] = std::make_shared<const std::string>(std::move(content));
}

void ExpiringStream::start() {
    auto state = state_;
    httplib::Server& server = server_.server();
    server.Get("/watch", [this, state](const httplib::Request&, httplib::Response& res) {
        int n = 0;
        {
            std::lock_guard lock(state->mutex);
            n = state->pageRequests++;
        }
        res.set_content(addressUrl(n), "text/plain");
    });
    server.Get(R"(/stream/(\d+))", [state](const httplib::Request& req, httplib::Response& res) {
        const int n = std::stoi(req.matches[1].str());
        const bool ranged = req.has_header("Range");
        {
            std::lock_guard lock(state->mutex);
            if (ranged && state->budget.count(n) && state->reserved[n] >= state->budget[n])
                state->expired.insert(n);
            if (state->expired.count(n)) {
                res.status = 403;
                res.set_content("this address has expired", "text/plain");
                return;
            }
        }
        const auto body = state->contentOf(n);
        res.set_content_provider(body->size(), "video/x-flv",
                                 [state, body, n, ranged](std::size_t offset, std::size_t length,
                                                          httplib::DataSink& sink) {
                                     if (!ranged)  // a length probe: it reads the headers only
                                         return sink.write(body->data() + offset, length);
                                     // Small pieces, so that the budget ends near its mark.
                                     const std::size_t now =
                                         state->reserve(n, std::min<std::size_t>(length, 16384));
                                     if (now == 0 || !sink.write(body->data() + offset, now))
                                         return false;  // cuts the connection
                                     state->count(n, offset, now);
                                     return true;
                                 });
    });
    server_.start();
}

std::string ExpiringStream::scriptBlock(const std::string& title) const {
    return block("/watch", {"VAR N = \"" + title + "\"", "VIDNAME = N;", "VAR U = GETHTML(ORGURL)",
                            "VIDURL = U;"});
}

int ExpiringStream::pageRequests() const {
    std::lock_guard lock(state_->mutex);
    return state_->pageRequests;
}

std::int64_t ExpiringStream::bytesSent(int n) const {
    std::lock_guard lock(state_->mutex);
    auto found = state_->sent.find(n);
    return found == state_->sent.end() ? 0 : found->second;
}

std::int64_t ExpiringStream::bytesSentTwice() const {
    std::lock_guard lock(state_->mutex);
    return std::count_if(state_->timesSent.begin(), state_->timesSent.end(),
                         [](std::uint8_t times) { return times > 1; });
}

std::int64_t ExpiringStream::bytesNeverSent() const {
    std::lock_guard lock(state_->mutex);
    return std::count(state_->timesSent.begin(), state_->timesSent.end(), 0);
}

bool caught(QSignalSpy& spy, int timeoutMs) {
    return !spy.isEmpty() || spy.wait(timeoutMs);
}

bool caught(testing_support::QueuedSignalSpy& spy, int timeoutMs) {
    return !spy.isEmpty() || spy.wait(timeoutMs);
}

namespace {

// Destroys the application object the tests made once every test has run:
// its destruction waits for the analysis workers that deleted rows or
// controllers abandoned, so that no thread outlives the test program.
// Only the object ensureCoreApp() made: GUI test programs own theirs.
QCoreApplication* madeCoreApp = nullptr;

class CoreAppEnvironment : public ::testing::Environment {
public:
    void TearDown() override {
        delete madeCoreApp;
        madeCoreApp = nullptr;
    }
};

[[maybe_unused]] const ::testing::Environment* const coreAppEnvironment =
    ::testing::AddGlobalTestEnvironment(new CoreAppEnvironment);

}  // namespace

void ensureCoreApp() {
    static int argc = 1;
    static char name[] = "download-tests";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance())
        madeCoreApp = new QCoreApplication(argc, argv);
}

void waitEvents(int ms) {
    QTest::qWait(ms);
}

testing_support::ClipOptions smallClip() {
    testing_support::ClipOptions clip;
    clip.seconds = 1;
    clip.width = 160;
    clip.height = 120;
    return clip;
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
