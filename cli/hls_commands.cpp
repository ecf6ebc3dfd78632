// clipwright-cli hls: one HLS stream downloaded and remuxed into an MP4
// file, with progress lines; a new run after a failure or a kill resumes.
#include "command.h"
#include "hls/hls.h"
#include "platform/clock.h"
#include "platform/text.h"

#include <cstdio>
#include <iostream>
#include <limits>

namespace {

int runHls(const std::vector<std::string>& args);

const cli::Command kHls = {
    "hls", "URL TARGET [--variant N]",
    "download the HLS playlist at URL into the MP4 file TARGET; variant N of a master playlist "
    "(from 0), else the highest bit rate",
    runHls};
const cli::Registrar registerHls(kHls);

class ProgressLine {
public:
    void print(const hls::Download& download) {
        const std::int64_t bytes = download.bytesDone();
        const std::int64_t received = download.bytesThisRun();
        const std::uint64_t now = platform::monotonicMillis();
        const double seconds = static_cast<double>(now - lastMillis_) / 1000.0;
        const auto speed =
            static_cast<std::int64_t>(seconds > 0 ? (received - lastReceived_) / seconds : 0);
        std::fprintf(stderr, "%lld / %lld segments, %lld bytes (%s), %s/s\n",
                     static_cast<long long>(download.segmentsDone()),
                     static_cast<long long>(download.segmentsTotal()),
                     static_cast<long long>(bytes), platform::formatSize(bytes).c_str(),
                     platform::formatSize(speed).c_str());
        lastReceived_ = received;
        lastMillis_ = now;
    }

private:
    std::int64_t lastReceived_ = 0;
    std::uint64_t lastMillis_ = platform::monotonicMillis();
};

int fail(const hls::Result& result) {
    std::cerr << "hls: " << result.message() << "\n";
    return 1;
}

int runHls(const std::vector<std::string>& args) {
    const cli::Arguments arguments(args);
    if (!arguments.ok() || arguments.positional().size() != 2 ||
        !arguments.unknown({"variant"}).empty())
        return cli::usageError(kHls);
    const std::optional<int> variant =
        arguments.number("variant", -1, 0, std::numeric_limits<int>::max());
    if (!variant) {
        std::cerr << "hls: --variant takes a number from 0\n";
        return cli::kUsageError;
    }
    const std::string& url = arguments.positional()[0];
    const std::filesystem::path target = arguments.positional()[1];

    const hls::Stream stream = hls::loadStream(url, *variant);
    if (!stream.result.ok())
        return fail(stream.result);
    const std::filesystem::path work = hls::workFolderFor(target);
    hls::Download download(stream.tracks, work);
    download.start();
    ProgressLine progress;
    while (!download.waitFor(std::chrono::seconds(1)))
        progress.print(download);
    progress.print(download);
    if (const hls::Result downloaded = download.result(); !downloaded.ok())
        return fail(downloaded);
    if (const hls::Result combined = hls::combine(stream.tracks, work, target); !combined.ok())
        return fail(combined);
    std::cout << target.string() << "\n";
    return 0;
}

}  // namespace
