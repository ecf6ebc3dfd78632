// nginx for tests and benchmarks: serves a folder over HTTP and/or RTMP on
// free loopback ports, from a private prefix, for the object's lifetime.
#pragma once

#include "testing/temp_dir.h"

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <string>

namespace testing_support {

struct NginxOptions {
    // Served over HTTP at "/" when set (with Range, and sendfile).
    std::filesystem::path httpRoot;
    // Bytes per second per connection; 0 for no limit.
    std::int64_t httpRateLimit = 0;
    // Served over RTMP as the application "vod" when set: FLV files play
    // as "name.flv", MP4 files as "mp4:name.mp4".
    std::filesystem::path rtmpRoot;
    // Adds the RTMP application "live", where nothing is ever published: a
    // player that joins it waits for data that never comes.
    bool rtmpLive = false;
};

class NginxServer {
public:
    // Starts nginx (no daemon, one worker) and returns once its ports
    // accept connections. The served folders and what they hold are made
    // world-readable, as nginx's workers run as nobody when started by
    // root. Throws std::runtime_error when nginx cannot be started.
    explicit NginxServer(const NginxOptions& options);
    // Stops nginx and waits for it.
    ~NginxServer();
    NginxServer(const NginxServer&) = delete;
    NginxServer& operator=(const NginxServer&) = delete;

    // True when the nginx program (and, for RTMP, its module) is installed.
    static bool available(bool rtmp);

    int httpPort() const { return httpPort_; }
    int rtmpPort() const { return rtmpPort_; }
    // "http://127.0.0.1:<port>" followed by the path.
    std::string httpUrl(const std::string& path = "/") const;
    // "rtmp://127.0.0.1:<port>/<application>".
    std::string rtmpUrl(const std::string& application = "vod") const;

private:
    bool tryStart(const NginxOptions& options);
    std::string config(const NginxOptions& options) const;
    void stop();

    TempDir prefix_;
    pid_t pid_ = -1;
    int httpPort_ = 0;
    int rtmpPort_ = 0;
};

}  // namespace testing_support
