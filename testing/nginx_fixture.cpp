#include "testing/nginx_fixture.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <stdexcept>
#include <thread>
#include <vector>

extern char** environ;

namespace testing_support {
namespace {

namespace fs = std::filesystem;

constexpr const char* kNginx = "/usr/sbin/nginx";
constexpr const char* kRtmpModule = "/usr/lib/nginx/modules/ngx_rtmp_module.so";
constexpr auto kStartTimeout = std::chrono::seconds(10);
constexpr auto kStopTimeout = std::chrono::seconds(5);

// A port that was free a moment ago; nginx may still lose it to someone
// else, which the caller handles by trying again.
int freeLoopbackPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), size) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) == 0)
        port = ntohs(address.sin_port);
    ::close(fd);
    return port;
}

bool accepts(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return ok;
}

void addPermissions(const fs::path& path, fs::perms perms) {
    std::error_code ignored;
    fs::permissions(path, perms, fs::perm_options::add, ignored);
}

// The folder, everything in it, and the way to it through the temporary
// folder become readable for nginx's unprivileged workers.
void makeWorldReadable(const fs::path& root) {
    const fs::perms readable =
        fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read;
    const fs::perms traversable = fs::perms::group_exec | fs::perms::others_exec;
    addPermissions(root, readable | traversable);
    std::error_code error;
    for (auto it = fs::recursive_directory_iterator(root, error);
         !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
        addPermissions(it->path(), it->is_directory() ? readable | traversable : readable);
    }
    const fs::path temp = fs::temp_directory_path();
    for (fs::path dir = root.parent_path(); dir.string().starts_with(temp.string()) && dir != temp;
         dir = dir.parent_path())
        addPermissions(dir, traversable);
}

}  // namespace

bool NginxServer::available(bool rtmp) {
    return ::access(kNginx, X_OK) == 0 && (!rtmp || ::access(kRtmpModule, R_OK) == 0);
}

NginxServer::NginxServer(const NginxOptions& options) {
    if (!options.httpRoot.empty())
        makeWorldReadable(options.httpRoot);
    if (!options.rtmpRoot.empty())
        makeWorldReadable(options.rtmpRoot);
    addPermissions(prefix_.path(), fs::perms::group_exec | fs::perms::others_exec);
    fs::create_directories(prefix_ / "temp");
    for (int attempt = 0; attempt < 5; ++attempt) {
        if (tryStart(options))
            return;
    }
    const std::string log = readFile(prefix_ / "error.log");
    throw std::runtime_error("nginx did not start: " + log);
}

NginxServer::~NginxServer() {
    stop();
}

std::string NginxServer::httpUrl(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(httpPort_) + path;
}

std::string NginxServer::rtmpUrl(const std::string& application) const {
    return "rtmp://127.0.0.1:" + std::to_string(rtmpPort_) + "/" + application;
}

std::string NginxServer::config(const NginxOptions& options) const {
    const std::string prefix = prefix_.path().string();
    const bool rtmp = !options.rtmpRoot.empty() || options.rtmpLive;
    std::string conf;
    if (rtmp)
        conf += "load_module " + std::string(kRtmpModule) + ";\n";
    conf += "daemon off;\nworker_processes 1;\n";
    conf += "pid " + prefix + "/nginx.pid;\nerror_log " + prefix + "/error.log warn;\n";
    conf += "events { worker_connections 256; }\n";
    conf += "http {\n  access_log off;\n";
    for (const char* kind : {"client_body", "proxy", "fastcgi", "uwsgi", "scgi"})
        conf += "  " + std::string(kind) + "_temp_path " + prefix + "/temp/" + kind + ";\n";
    if (!options.httpRoot.empty()) {
        conf += "  sendfile on;\n  default_type application/octet-stream;\n";
        conf += "  server {\n    listen 127.0.0.1:" + std::to_string(httpPort_) + ";\n";
        conf += "    root " + options.httpRoot.string() + ";\n";
        if (options.httpRateLimit > 0)
            conf += "    limit_rate " + std::to_string(options.httpRateLimit) + ";\n";
        conf += "  }\n";
    }
    conf += "}\n";
    if (rtmp) {
        conf += "rtmp {\n  server {\n    listen 127.0.0.1:" + std::to_string(rtmpPort_) + ";\n";
        if (!options.rtmpRoot.empty())
            conf += "    application vod { play " + options.rtmpRoot.string() + "; }\n";
        if (options.rtmpLive)
            conf += "    application live { live on; }\n";
        conf += "  }\n}\n";
    }
    return conf;
}

bool NginxServer::tryStart(const NginxOptions& options) {
    httpPort_ = options.httpRoot.empty() ? 0 : freeLoopbackPort();
    const bool rtmp = !options.rtmpRoot.empty() || options.rtmpLive;
    rtmpPort_ = rtmp ? freeLoopbackPort() : 0;
    const fs::path confPath = prefix_ / "nginx.conf";
    writeFile(confPath, config(options));

    const std::string prefix = prefix_.path().string() + "/";
    const std::string errorLog = prefix + "error.log";
    const std::string confArg = confPath.string();
    std::vector<std::string> args = {kNginx, "-p", prefix, "-e", errorLog, "-c", confArg};
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const int spawned = ::posix_spawn(&pid_, kNginx, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        pid_ = -1;
        throw std::runtime_error("cannot run " + std::string(kNginx));
    }

    const auto deadline = std::chrono::steady_clock::now() + kStartTimeout;
    while (std::chrono::steady_clock::now() < deadline) {
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;  // it ended: most likely a port was taken meanwhile
            return false;
        }
        if ((!httpPort_ || accepts(httpPort_)) && (!rtmpPort_ || accepts(rtmpPort_)))
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    stop();
    return false;
}

void NginxServer::stop() {
    if (pid_ <= 0)
        return;
    ::kill(pid_, SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + kStopTimeout;
    int status = 0;
    while (::waitpid(pid_, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    pid_ = -1;
}

}  // namespace testing_support
