// clipwright-cli fetch: one segmented download with progress lines.
#include "cli/command.h"
#include "platform/clock.h"
#include "platform/http.h"
#include "platform/rate.h"
#include "platform/text.h"
#include "segfetch/segfetch.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <iostream>
#include <mutex>

namespace {

int runFetch(const std::vector<std::string>& args);

const cli::Command kFetch = {
    "fetch", "URL TARGET [--connections N] [--limit-rate RATE]",
    "download URL to TARGET over N ranged connections (5), resuming from part files, at most "
    "RATE bytes per second (K and M suffixes count in 1024s)",
    runFetch};
const cli::Registrar registerFetch(kFetch);

// The end of a run, signalled by the helper's finish callback.
class FinishSignal {
public:
    static void notify(void* self) { static_cast<FinishSignal*>(self)->set(); }
    // Waits up to `limit` for the run to end; true when it has.
    bool wait(std::chrono::milliseconds limit) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, limit, [this] { return finished_; });
    }

private:
    void set() {
        std::lock_guard lock(mutex_);
        finished_ = true;
        changed_.notify_all();
    }
    std::mutex mutex_;
    std::condition_variable changed_;
    bool finished_ = false;
};

void printProgress(const DownloadHelper& helper, std::int64_t& lastBytes,
                   std::uint64_t& lastMillis) {
    const auto* counter = helper.downloaded.load();
    const std::int64_t bytes = counter ? counter->load() : 0;
    const std::int64_t total = helper.totalSize.load();
    const std::uint64_t now = platform::monotonicMillis();
    const double seconds = static_cast<double>(now - lastMillis) / 1000.0;
    const auto speed = static_cast<std::int64_t>(seconds > 0 ? (bytes - lastBytes) / seconds : 0);
    std::fprintf(stderr, "%lld / %lld bytes (%s of %s), %s/s\n", static_cast<long long>(bytes),
                 static_cast<long long>(total), platform::formatSize(bytes).c_str(),
                 platform::formatSize(total).c_str(), platform::formatSize(speed).c_str());
    lastBytes = bytes;
    lastMillis = now;
}

// The engine's word decides, printed once: a note even of a success, the
// reason of a failure, and the part files only when there are some.
int reportResult(const FetchResult& result) {
    if (!result.note.empty())
        std::cerr << "fetch: " << result.note << "\n";
    if (result.ok())
        return 0;
    std::cerr << "fetch: " << result.reason;
    if (result.partsKept)
        std::cerr << "; its part files are kept";
    std::cerr << "\n";
    return 1;
}

int runFetch(const std::vector<std::string>& args) {
    const cli::Arguments arguments(args);
    if (!arguments.ok() || arguments.positional().size() != 2 ||
        !arguments.unknown({"connections", "limit-rate"}).empty())
        return cli::usageError(kFetch);
    const std::optional<int> connections = arguments.number("connections", 5, 1, 50);
    if (!connections) {
        std::cerr << "fetch: --connections takes a number from 1 to 50\n";
        return cli::kUsageError;
    }
    const std::optional<std::string> rateText = arguments.option("limit-rate");
    const std::optional<std::int64_t> rate = rateText ? platform::parseRate(*rateText) : 0;
    if (!rate) {
        std::cerr << "fetch: --limit-rate takes bytes per second, optionally with K or M "
                     "(1024s): 500K, 2M\n";
        return cli::kUsageError;
    }
    platform::http::setRateLimit(*rate);
    const std::string& url = arguments.positional()[0];
    const std::string& target = arguments.positional()[1];

    FinishSignal finished;
    DownloadHelper helper;
    helper.setConnections(*connections);
    helper.setRetryDelay(0);  // one run; the caller decides about another
    helper.setOnFinish(&FinishSignal::notify, &finished);
    helper.addDownloadTask(url.c_str(), platform::utf8ToUtf16(target).c_str());
    helper.startDownload();
    std::int64_t lastBytes = 0;
    std::uint64_t lastMillis = platform::monotonicMillis();
    while (!finished.wait(std::chrono::seconds(1)))
        printProgress(helper, lastBytes, lastMillis);
    helper.join();
    printProgress(helper, lastBytes, lastMillis);
    std::fflush(stdout);
    return reportResult(helper.lastResult());
}

}  // namespace
