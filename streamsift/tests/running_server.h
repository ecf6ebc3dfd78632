// Starting the loopback server so that it can also be stopped at once.
#pragma once

#include <chrono>
#include <thread>

#include "loopback_server.h"

namespace streamsift_test {

// LoopbackServer::start() returns before its thread listens; a server
// destroyed in that window never sees the stop and its destructor waits
// forever. Waiting until it runs closes the window.
inline void startAndWait(testing_support::LoopbackServer& server) {
    server.start();
    while (!server.server().is_running())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

}  // namespace streamsift_test
