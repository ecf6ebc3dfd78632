// The transfer operations: one URL into one file with progress, speed and
// cancel, and the declared size of a URL.
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/clock.h"
#include "platform/diagnostics.h"
#include "platform/http.h"
#include "platform/text.h"
#include "streamsift/hosts.h"
#include "streamsift/streamsift.h"

namespace {

namespace http = platform::http;

constexpr const char* kTransferAgent =
    "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0; MyIE2; .NET CLR 1.1.4322)";
constexpr const char* kTransferHeaders =
    "Accept: */*\r\nAccept-Language: zh-cn\r\nAccept-Encoding: gzip, deflate\r\n";
// The elapsed time the first speed figure divides by, and the one used
// whenever no millisecond has passed: never zero.
constexpr std::uint64_t kFallbackElapsedMs = 10;

http::Request transferRequest(const char* url) {
    http::Request request;
    request.url = url;
    if (const std::string override = streamsift::hostOverride(); !override.empty())
        request.url = streamsift::withAuthority(request.url, override);
    request.userAgent = kTransferAgent;
    request.extraHeaders = kTransferHeaders;
    // The headers accept compressed bodies, so decode them: the file must
    // hold the resource, not its transfer encoding.
    request.decodeContent = true;
    request.stallTimeoutSeconds = 60;
    return request;
}

bool isSuccess(long status) {
    return status >= 200 && status < 300;
}

// Share of `length` that `received` is, 0..100, in 64 bits so that files
// over 2 GiB count correctly. A decoded body may outgrow its declared
// (compressed) length; it stays at 100.
int percentDone(std::int64_t received, std::int64_t length) {
    return static_cast<int>(std::min<std::int64_t>(received * 100 / length, 100));
}

// One run of InternetGetFile: the target file, the counters, and the code
// decided inside the transfer's callbacks.
class FileTransfer {
public:
    FileTransfer(const std::atomic<bool>& stopFlag, float& speed, int& percent)
        : stopFlag_(stopFlag), speed_(speed), percent_(percent) {}
    ~FileTransfer() { closeTarget(); }

    int run(const http::Request& request, const std::filesystem::path& target) {
        target_ = target;
        const http::Response response = http::fetch(
            request,
            {.onHeaders = [this](const http::Response& r) { return onHeaders(r); },
             .onBody = [this](const char* data, std::size_t size) { return onBody(data, size); },
             .keepGoing = [this] { return !stopFlag_.load(); }});
        if (!closeTarget() && failure_ == 0)
            failure_ = DLL_StreamSift::kCannotWriteTarget;
        if (failure_ != 0)
            return failure_;
        if (response.aborted)
            return DLL_StreamSift::kCancelled;
        if (!response.transportOk)
            return isSuccess(response.status) ? DLL_StreamSift::kReadFailed
                                              : DLL_StreamSift::kCannotOpenUrl;
        return DLL_StreamSift::kDone;
    }

private:
    bool onHeaders(const http::Response& response) {
        if (!isSuccess(response.status))
            return fail(DLL_StreamSift::kCannotOpenUrl);
        if (stopFlag_.load())
            return false;  // cancelled before the first byte: the target stays untouched
        file_ = std::fopen(target_.c_str(), "wb");
        if (!file_)
            return fail(DLL_StreamSift::kCannotWriteTarget);
        length_ = response.contentLength;
        start_ = platform::monotonicMillis();
        return true;
    }

    bool onBody(const char* data, std::size_t size) {
        if (std::fwrite(data, 1, size, file_) != size)
            return fail(DLL_StreamSift::kCannotWriteTarget);
        received_ += static_cast<std::int64_t>(size);
        if (length_ > 0)
            std::atomic_ref<int>(percent_).store(percentDone(received_, length_));
        const float speed = static_cast<float>(received_ / (elapsedMs_ / 1000.0) / 1024.0);
        std::atomic_ref<float>(speed_).store(speed);
        platform::diag("download speed : %f kb/s\r", speed);
        const std::uint64_t elapsed = platform::monotonicMillis() - start_;
        elapsedMs_ = elapsed == 0 ? kFallbackElapsedMs : elapsed;
        return true;
    }

    bool fail(int code) {
        failure_ = code;
        return false;
    }

    // Closes the target if it is open; false when its last bytes could not
    // be written.
    bool closeTarget() {
        if (!file_)
            return true;
        const bool ok = std::fclose(file_) == 0;
        file_ = nullptr;
        return ok;
    }

    const std::atomic<bool>& stopFlag_;
    float& speed_;
    int& percent_;
    std::filesystem::path target_;
    std::FILE* file_ = nullptr;
    std::int64_t length_ = -1;
    std::int64_t received_ = 0;
    std::uint64_t start_ = 0;
    std::uint64_t elapsedMs_ = kFallbackElapsedMs;
    int failure_ = 0;
};

}  // namespace

int DLL_StreamSift::InternetGetFile(const char* url, const char16_t* target, float& speed,
                                    int& percent) {
    if (!url)
        return kCannotOpenUrl;
    if (!target)
        return kCannotWriteTarget;
    FileTransfer transfer(stopFlag, speed, percent);
    return transfer.run(transferRequest(url), std::filesystem::path(platform::utf16ToUtf8(target)));
}

int DLL_StreamSift::InternetGetFileSize(const char* url, std::int64_t& size) {
    if (!url)
        return kCannotOpenUrl;
    // The headers are all that is needed: stop before the first body byte.
    const http::Response response = http::fetch(
        transferRequest(url), {.onHeaders = [](const http::Response&) { return false; },
                               .onBody = [](const char*, std::size_t) { return false; }});
    if (!isSuccess(response.status))
        return kCannotOpenUrl;
    size = std::max<std::int64_t>(response.contentLength, 0);
    return kDone;
}
