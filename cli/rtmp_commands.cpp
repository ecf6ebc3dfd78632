// clipwright-cli rtmp: one RTMP download with progress lines.
#include "cli/command.h"
#include "platform/text.h"
#include "rtmp/rtmp_download.h"

#include <atomic>
#include <cstdio>
#include <future>
#include <iostream>

namespace {

int runRtmp(const std::vector<std::string>& args);

const cli::Command kRtmp = {"rtmp", "URL PLAYPATH TARGET",
                            "save the RTMP stream PLAYPATH of the server URL as an FLV file",
                            runRtmp};
const cli::Registrar registerRtmp(kRtmp);

void printProgress(RtmpProgress& progress) {
    const auto bytes = std::atomic_ref<std::int64_t>(progress.bytes).load();
    const double percent = std::atomic_ref<double>(progress.percent).load();
    std::fprintf(stderr, "%lld bytes (%s), %.1f%%\n", static_cast<long long>(bytes),
                 platform::formatSize(bytes).c_str(), percent);
}

int runRtmp(const std::vector<std::string>& args) {
    const cli::Arguments arguments(args);
    if (!arguments.ok() || arguments.positional().size() != 3 || !arguments.unknown({}).empty())
        return cli::usageError(kRtmp);
    const std::string& url = arguments.positional()[0];
    const std::string& playPath = arguments.positional()[1];
    const std::string& target = arguments.positional()[2];
    RtmpRequest request{url.c_str(), playPath.c_str(), 0, 0};
    RtmpProgress progress{0, 0.0};
    // The reason is the downloading thread's: read it there.
    auto running = std::async(std::launch::async, [&] {
        const int result = RtmpDownload(&request, target.c_str(), &progress);
        return std::make_pair(result, std::string(RtmpLastReason()));
    });
    while (running.wait_for(std::chrono::seconds(1)) != std::future_status::ready)
        printProgress(progress);
    const auto [result, reason] = running.get();
    printProgress(progress);
    if (result != kRtmpOk) {
        std::cerr << "rtmp: " << reason << " (" << result << ")\n";
        return 1;
    }
    return 0;
}

}  // namespace
