// clipwright-cli sift and getfile: the page analyser library on the command
// line.
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include "cli/command.h"
#include "platform/text.h"
#include "streamsift/streamsift.h"

namespace {

int runSift(const std::vector<std::string>& args);
int runGetFile(const std::vector<std::string>& args);

const cli::Command kSift{
    "sift", "URL", "analyse a watch page and print its streams as one line of JSON", &runSift};
const cli::Command kGetFile{"getfile", "URL TARGET",
                            "fetch URL into TARGET with a progress line each second, then print "
                            "the result code (Ctrl-C cancels)",
                            &runGetFile};
const cli::Registrar registerSift(kSift);
const cli::Registrar registerGetFile(kGetFile);

// Sends what the library prints on standard output (its diagnostics) to
// another descriptor while the object lives. original() still reaches the
// descriptor that was standard output before.
class DivertedStdout {
public:
    explicit DivertedStdout(int target) {
        std::fflush(stdout);
        original_ = dup(STDOUT_FILENO);
        if (original_ >= 0)
            dup2(target, STDOUT_FILENO);
    }
    ~DivertedStdout() {
        std::fflush(stdout);
        if (original_ >= 0) {
            dup2(original_, STDOUT_FILENO);
            close(original_);
        }
    }
    DivertedStdout(const DivertedStdout&) = delete;
    DivertedStdout& operator=(const DivertedStdout&) = delete;

    int original() const { return original_ >= 0 ? original_ : STDOUT_FILENO; }

private:
    int original_ = -1;
};

// A JSON string for library text, which may hold any bytes a page
// percent-encoded: invalid UTF-8 becomes U+FFFD.
std::string jsonText(const char* text) {
    return cli::jsonString(platform::utf16ToUtf8(platform::utf8ToUtf16(text ? text : "")));
}

std::string streamsJson(const dlInfo* infos, int count) {
    std::string json = "[";
    for (int i = 0; i < count; ++i) {
        if (i > 0)
            json += ",";
        json += "{\"url\":" + jsonText(infos[i].url) + ",\"type\":" + jsonText(infos[i].type) +
                ",\"quality\":" + jsonText(infos[i].quality) + "}";
    }
    return json + "]";
}

int runSift(const std::vector<std::string>& args) {
    const cli::Arguments arguments(args);
    if (!arguments.ok() || arguments.positional().size() != 1 || !arguments.unknown({}).empty())
        return cli::usageError(kSift);
    const std::u16string url = platform::utf8ToUtf16(arguments.positional()[0]);

    DLL_StreamSift sift;
    dlInfo* infos = nullptr;
    char* title = nullptr;
    int count = 0;
    const int result = sift.analysisUrl(infos, count, title, url.c_str());
    std::cout << "{\"result\":" << result << ",\"title\":" << (title ? jsonText(title) : "null")
              << ",\"streams\":" << streamsJson(infos, count) << "}" << std::endl;
    sift.freeUrlData(infos, title, count);
    return result == DLL_StreamSift::kAnalysed ? 0 : 1;
}

std::atomic<bool> interrupted = false;

void onInterrupt(int) {
    interrupted = true;
}

// "progress 42% 1536.0 KB/s 12.50MB" ("--%" while the size is unknown).
void printProgress(int fd, int percent, float speed, const std::filesystem::path& target) {
    std::error_code error;
    const std::uintmax_t written = std::filesystem::file_size(target, error);
    const std::string percentText = percent < 0 ? "--" : std::to_string(percent);
    dprintf(fd, "progress %s%% %.1f KB/s %s\n", percentText.c_str(), speed,
            platform::formatSize(error ? 0 : static_cast<std::int64_t>(written)).c_str());
}

int runGetFile(const std::vector<std::string>& args) {
    const cli::Arguments arguments(args);
    if (!arguments.ok() || arguments.positional().size() != 2 || !arguments.unknown({}).empty())
        return cli::usageError(kGetFile);
    const std::string url = arguments.positional()[0];
    const std::filesystem::path target = arguments.positional()[1];
    const std::u16string wideTarget = platform::utf8ToUtf16(target.string());

    DLL_StreamSift sift;
    float speed = 0;
    int percent = -1;  // stays there when the server declares no length
    std::atomic<bool> finished = false;
    int result = 0;
    interrupted = false;
    const auto previousHandler = std::signal(SIGINT, &onInterrupt);
    {
        // The library's per-block speed lines would drown the progress lines.
        const int devNull = open("/dev/null", O_WRONLY | O_CLOEXEC);
        DivertedStdout quiet(devNull >= 0 ? devNull : STDERR_FILENO);
        std::thread worker([&] {
            result = sift.InternetGetFile(url.c_str(), wideTarget.c_str(), speed, percent);
            finished = true;
        });
        auto nextLine = std::chrono::steady_clock::now() + std::chrono::seconds(1);
        while (!finished) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            if (interrupted)
                sift.stopFlag = true;
            if (std::chrono::steady_clock::now() >= nextLine && !finished) {
                printProgress(quiet.original(), std::atomic_ref<int>(percent).load(),
                              std::atomic_ref<float>(speed).load(), target);
                nextLine += std::chrono::seconds(1);
            }
        }
        worker.join();
        if (devNull >= 0)
            close(devNull);
    }
    std::signal(SIGINT, previousHandler);
    std::cout << "result " << result << std::endl;
    return result == DLL_StreamSift::kDone ? 0 : 1;
}

}  // namespace
