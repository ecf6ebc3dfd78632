// Results and their messages, and the requests every fetch starts from.
#include "hls/internal.h"
#include "platform/transfer_limits.h"

#include <cstring>

namespace hls {
namespace {

constexpr const char* kDefaultUserAgent =
    "Mozilla/5.0 (X11; Linux x86_64; rv:115.0) Gecko/20100101 Firefox/115.0";

std::string reasonText(const Result& result) {
    switch (result.failure) {
        case Failure::None:
            return {};
        case Failure::Transport:
            return result.detail.empty() ? "no answer" : result.detail;
        case Failure::TimeLimit:
            return result.detail.empty() ? "nothing arrived within the time limit" : result.detail;
        case Failure::HttpStatus:
            return "HTTP " + std::to_string(result.httpStatus) +
                   (result.detail.empty() ? std::string() : " " + result.detail);
        case Failure::System:
            return (result.detail.empty() ? std::string() : result.detail + ": ") +
                   std::strerror(result.systemError);
        case Failure::NotPlaylist:
            return "not an HLS playlist (no #EXTM3U at the start)";
        case Failure::BadPlaylist:
            return "cannot be followed: " + result.detail;
        case Failure::Live:
            return "live playlist (no EXT-X-ENDLIST): only finished streams can be downloaded";
        case Failure::KeyMethod:
            return result.detail + " is not supported (only AES-128 and unencrypted streams are)";
        case Failure::Key:
            return "the key could not be fetched: " + result.detail;
        case Failure::TooLarge:
            return "too large: " + result.detail;
        case Failure::NoSuchVariant:
            return result.detail;
        case Failure::Decrypt:
            return "does not decrypt with its key (" + result.detail + ")";
        case Failure::Incomplete:
            return "incomplete: " + result.detail;
        case Failure::Stopped:
            return "stopped";
        case Failure::NoFfmpeg:
            return "the ffmpeg program is in neither the application directory nor PATH";
        case Failure::Remux:
            return "ffmpeg failed: " + result.detail;
    }
    return result.detail;
}

}  // namespace

std::string Result::message() const {
    if (ok())
        return {};
    const std::string reason = reasonText(*this);
    return subject.empty() ? reason : subject + ": " + reason;
}

namespace detail {

Result failure(Failure failure, std::string detail, std::string subject) {
    Result result;
    result.failure = failure;
    result.detail = std::move(detail);
    result.subject = std::move(subject);
    return result;
}

Result systemFailure(int error, std::string detail, std::string subject) {
    Result result = failure(Failure::System, std::move(detail), std::move(subject));
    result.systemError = error;
    return result;
}

Result fromResponse(const platform::http::Response& response, std::string subject) {
    namespace http = platform::http;
    const bool statusGood = response.status >= 200 && response.status <= 299;
    if (statusGood && response.transportOk)
        return {};
    // A status outside 2xx is the reason, also when the transfer was then
    // ended on purpose.
    if (response.status != 0 && !statusGood) {
        Result result = failure(Failure::HttpStatus, response.statusText, std::move(subject));
        result.httpStatus = response.status;
        return result;
    }
    switch (response.failure) {
        case http::Failure::ConnectTimeout:
        case http::Failure::FirstByteTimeout:
        case http::Failure::Stalled:
            return failure(Failure::TimeLimit, http::failureReason(response), std::move(subject));
        case http::Failure::Stopped:
            return failure(Failure::Stopped, {}, std::move(subject));
        default:
            break;
    }
    const std::string reason = http::failureReason(response);
    return failure(Failure::Transport, reason.empty() ? response.error : reason,
                   std::move(subject));
}

platform::http::Request makeRequest(const std::string& url, const RequestOptions& options) {
    platform::http::Request request;
    request.url = url;
    request.userAgent = options.userAgent.empty() ? kDefaultUserAgent : options.userAgent;
    request.extraHeaders = options.extraHeaders;
    request.connectTimeoutMs = options.connectTimeoutMs;
    request.firstByteTimeoutMs = options.firstByteTimeoutMs;
    request.stallTimeoutSeconds =
        options.stallTimeoutSeconds >= 0
            ? options.stallTimeoutSeconds
            : static_cast<long>(platform::transferLimits().stall.count() + 999) / 1000;
    return request;
}

}  // namespace detail
}  // namespace hls
