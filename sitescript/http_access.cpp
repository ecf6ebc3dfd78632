#include "sitescript/http_access.h"

#include "platform/http.h"
#include "platform/text.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

namespace sitescript {
namespace {

namespace http = platform::http;

constexpr const char* kDefaultUserAgent = "Rudevozov";
constexpr const char* kPageEncoding = "Accept-Encoding:gzip,deflate\r\n";
// The probe requests announce their encodings with this spelling.
constexpr const char* kProbeEncoding = "Accept-Encoding:gzip,deflat\r\n";
constexpr auto kPostDelay = std::chrono::seconds(5);
// A server that stops sending must not hold an analysis forever.
constexpr long kStallSeconds = 60;
// No web page is this large; a script that fetches a video file as a page
// fails instead of filling the memory.
constexpr std::size_t kMaxPageBytes = 64u << 20;

std::atomic<OfflineResponder> offlineResponder{nullptr};

bool answeredOffline() {
    return offlineResponder.load() != nullptr;
}

// The responder's answer, delivered to the callbacks the way the HTTP layer
// delivers a real one.
http::Response answerOffline(OfflineResponder responder, const http::Request& request,
                             const http::Callbacks* callbacks) {
    http::Response response = responder(request);
    if (request.method == "HEAD")
        response.body.clear();
    if (!callbacks)
        return response;
    std::string body = std::move(response.body);
    response.body.clear();
    if (callbacks->onHeaders && !callbacks->onHeaders(response)) {
        response.aborted = true;
        response.transportOk = false;
        return response;
    }
    constexpr std::size_t kBlock = 16 * 1024;
    for (std::size_t at = 0; at < body.size(); at += kBlock) {
        if (!callbacks->onBody(body.data() + at, std::min(kBlock, body.size() - at))) {
            response.aborted = true;
            response.transportOk = false;
            break;
        }
    }
    return response;
}

// Every request of this file goes through here.
http::Response perform(const http::Request& request, const http::Callbacks* callbacks = nullptr) {
    if (OfflineResponder responder = offlineResponder.load())
        return answerOffline(responder, request, callbacks);
    return callbacks ? http::fetch(request, *callbacks) : http::fetch(request);
}

enum class StatusOutcome { Good, Bad, Unknown };

// 200 or less, and 500, are good; no answer at all is unknown.
StatusOutcome outcomeOf(const http::Response& response) {
    if (response.status == 0)
        return StatusOutcome::Unknown;
    return response.status <= 200 || response.status == 500 ? StatusOutcome::Good
                                                            : StatusOutcome::Bad;
}

http::Request makeRequest(const std::string& url, const char* method, const std::string& agent,
                          std::string headers) {
    http::Request request;
    request.url = url;
    request.method = method;
    request.userAgent = agent;
    request.extraHeaders = std::move(headers);
    request.decodeContent = true;
    request.stallTimeoutSeconds = kStallSeconds;
    return request;
}

// Performs the request and returns its final response's headers without
// reading the body.
http::Response fetchHeadersOnly(const http::Request& request) {
    http::Callbacks callbacks;
    callbacks.onHeaders = [](const http::Response&) { return false; };
    callbacks.onBody = [](const char*, std::size_t) { return true; };
    return perform(request, &callbacks);
}

// The header text of the probe's HEAD: none when the status is bad.
std::string probeHead(const std::string& url, const std::string& agent) {
    const http::Response response = perform(makeRequest(url, "HEAD", agent, kProbeEncoding));
    return outcomeOf(response) == StatusOutcome::Bad ? std::string() : response.rawHeaders;
}

// The GET of the probe: its header text (none when the status is bad) and
// the first bytes of the body, which tell an HLS playlist served under
// any content type.
struct ProbeAnswer {
    std::string headers;
    std::string head;
};
constexpr std::size_t kSniffBytes = 16;

ProbeAnswer probeGet(const std::string& url, const std::string& agent) {
    ProbeAnswer answer;
    http::Callbacks callbacks;
    callbacks.onBody = [&answer](const char* data, std::size_t size) {
        answer.head.append(data, std::min(size, kSniffBytes - answer.head.size()));
        return answer.head.size() < kSniffBytes;
    };
    const http::Response response =
        perform(makeRequest(url, "GET", agent, kProbeEncoding), &callbacks);
    if (outcomeOf(response) == StatusOutcome::Bad)
        return {};
    answer.headers = response.rawHeaders;
    return answer;
}

bool isPlaylistText(std::string_view head) {
    if (head.starts_with("\xEF\xBB\xBF"))
        head.remove_prefix(3);
    return head.starts_with("#EXTM3U");
}

// The content types of HLS playlists, compared without case and without
// parameters ("; charset=utf-8").
bool isPlaylistType(std::string_view type) {
    const std::string media =
        platform::lowerAscii(platform::trimBlanks(type.substr(0, type.find(';'))));
    return media == "application/vnd.apple.mpegurl" || media == "application/x-mpegurl" ||
           media == "audio/mpegurl" || media == "audio/x-mpegurl";
}

constexpr const char16_t* kPlaylistFormat = u"m3u8";

}  // namespace

void setOfflineResponder(OfflineResponder responder) {
    offlineResponder.store(responder);
}

std::string userAgentOf(const VariableTable& variables) {
    const Value agent = variables.get(u"USERAGENT");
    return agent ? platform::utf16ToUtf8(*agent) : kDefaultUserAgent;
}

PageText getPage(const std::string& url, const std::string& userAgent) {
    std::string body;
    http::Callbacks callbacks;
    callbacks.onBody = [&body](const char* data, std::size_t size) {
        if (body.size() + size > kMaxPageBytes)
            return false;
        body.append(data, size);
        return true;
    };
    const http::Response response =
        perform(makeRequest(url, "GET", userAgent, kPageEncoding), &callbacks);
    PageText page;
    // A page that could not be fetched at all fails like a bad status.
    if (!response.transportOk || outcomeOf(response) != StatusOutcome::Good) {
        page.failed = true;
        page.reason = response.aborted ? "the page is over 64 MiB" : http::failureReason(response);
        if (page.reason.empty())
            page.reason = http::statusDescription(response);
        page.httpStatus = static_cast<int>(response.status);
        page.systemError = response.systemError;
        return page;
    }
    page.bytes = static_cast<std::int64_t>(body.size());
    if (!body.empty())
        page.text = platform::utf8ToUtf16(body);
    return page;
}

Value postForm(const std::string& url, const std::string& body, const std::string& headerText,
               const std::string& userAgent) {
    std::string headers = kPageEncoding;
    for (const http::Header& header : http::parseHeaders(headerText))
        headers += header.name + ":" + header.value + "\r\n";
    if (!answeredOffline())
        std::this_thread::sleep_for(kPostDelay);
    http::Request request = makeRequest(url, "POST", userAgent, headers);
    request.body = body;
    const http::Response response = perform(request);
    if (!response.transportOk || outcomeOf(response) == StatusOutcome::Bad)
        return {};
    return platform::ansiToUtf16(response.body);
}

std::u16string urlAliveFlag(const std::string& url) {
    const http::Response response =
        perform(makeRequest(url, "HEAD", kDefaultUserAgent, kProbeEncoding));
    return outcomeOf(response) == StatusOutcome::Good ? u"1" : u"\u000B";
}

Value redirectTarget(const std::string& url, const std::string& userAgent) {
    http::Request request = makeRequest(url, "GET", userAgent, kProbeEncoding);
    request.followRedirects = false;
    const http::Response response = fetchHeadersOnly(request);
    const auto headers = http::parseHeaders(response.rawHeaders);
    if (const std::string* location = http::findHeader(headers, "location"))
        return platform::utf8ToUtf16(*location);
    return {};
}

void setCookie(const std::u16string& url, const std::u16string& name, const std::u16string& data) {
    if (answeredOffline())
        return;
    http::setCookie(platform::utf16ToUtf8(url), platform::utf16ToUtf8(name),
                    platform::utf16ToUtf8(data));
}

std::u16string formatForContentType(std::string_view type) {
    // Ahead of the table, whose "mpeg" and "audio" rows would take them.
    if (isPlaylistType(type))
        return kPlaylistFormat;
    static constexpr std::pair<const char*, const char16_t*> kFormats[] = {
        {"flv", u"flv"},
        {"video/f4f", u"flv"},
        {"mp4", u"mp4"},
        {"m4v", u"mp4"},
        {"application/octet-stream", u"mp4"},
        {"mpeg", u"mpg"},
        {"quicktime", u"mov"},
        {"mov", u"mov"},
        {"asf", u"asf"},
        {"msvideo", u"avi"},
        {"audio", u"mp3"},
        {"mp3", u"mp3"},
        {"wmv", u"wmv"},
        {"webm", u"webm"},
        {"3gp", u"3gp"},
        {"application/flash-video", u"flv"},
        {"text/plain", u"mp4"},
    };
    for (const auto& [fragment, format] : kFormats)
        if (type.find(fragment) != std::string_view::npos)
            return format;
    return {};
}

void probeStream(const std::u16string& url, VariableTable& variables) {
    const std::string target = platform::utf16ToUtf8(url);
    const std::string agent = userAgentOf(variables);
    const ProbeAnswer get = probeGet(target, agent);
    std::string headerText = get.headers;
    if (std::string headOnly = probeHead(target, agent); !headOnly.empty())
        headerText = std::move(headOnly);
    if (headerText.empty())
        return;
    const auto headers = http::parseHeaders(headerText);
    const std::string* type = http::findHeader(headers, "content-type");
    const bool playlist = isPlaylistText(get.head) || (type && isPlaylistType(*type));
    const std::u16string format = playlist ? kPlaylistFormat
                                  : type   ? formatForContentType(*type)
                                           : std::u16string();
    variables.set(u"VIDFORMAT", format.empty() ? Value{} : Value{format});
    // A playlist's own length is not the stream's: the size stays unknown.
    if (playlist)
        return;
    const std::string* length = http::findHeader(headers, "content-length");
    const std::int64_t added = length ? readNumber(platform::utf8ToUtf16(*length)) : 0;
    variables.set(u"VIDLENGTH", decimal(numberOf(variables.get(u"VIDLENGTH")) + added));
}

}  // namespace sitescript
