// An HTTP server on 127.0.0.1 for tests, on a free port, running on its own
// thread for the lifetime of the object.
#pragma once

#include <httplib.h>

#include <memory>
#include <string>
#include <thread>

namespace testing_support {

class LoopbackServer {
public:
    LoopbackServer();
    // An https server with this certificate chain and key (PEM files).
    LoopbackServer(const std::string& certificateFile, const std::string& keyFile);
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    // Register handlers here before calling start().
    httplib::Server& server() { return *server_; }
    // Binds to a free port and serves until destruction.
    void start();
    int port() const { return port_; }
    // "http://127.0.0.1:<port>" (or https) followed by the path.
    std::string url(const std::string& path = "/") const;

private:
    std::unique_ptr<httplib::Server> server_;
    bool tls_ = false;
    std::thread thread_;
    int port_ = 0;
};

}  // namespace testing_support
