// An HTTP server on 127.0.0.1 for tests, on a free port, running on its own
// thread for the lifetime of the object.
#pragma once

#include <httplib.h>

#include <string>
#include <thread>

namespace testing_support {

class LoopbackServer {
public:
    LoopbackServer();
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    // Register handlers here before calling start().
    httplib::Server& server() { return server_; }
    // Binds to a free port and serves until destruction.
    void start();
    int port() const { return port_; }
    // "http://127.0.0.1:<port>" followed by the path.
    std::string url(const std::string& path = "/") const;

private:
    httplib::Server server_;
    std::thread thread_;
    int port_ = 0;
};

}  // namespace testing_support
