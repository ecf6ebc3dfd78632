// A TCP port on 127.0.0.1 that accepts connections (the kernel completes
// the handshake) and never answers a byte: a server that hangs.
#pragma once

#include <string>

namespace testing_support {

class SilentServer {
public:
    SilentServer();
    ~SilentServer();
    SilentServer(const SilentServer&) = delete;
    SilentServer& operator=(const SilentServer&) = delete;

    int port() const { return port_; }
    // "SCHEME://127.0.0.1:<port>" followed by the path.
    std::string url(const std::string& scheme, const std::string& path = "/") const;

private:
    int fd_ = -1;
    int port_ = 0;
};

}  // namespace testing_support
