#include "platform/http.h"

#include "platform/clock.h"
#include "platform/rate.h"
#include "platform/text.h"
#include "platform/transfer_limits.h"

#include <curl/curl.h>
#include <ifaddrs.h>
#include <net/if.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace platform::http {
namespace {

// One cookie store for the whole process, shared by every easy handle.
class CookieShare {
public:
    static CookieShare& instance() {
        static CookieShare share;
        return share;
    }
    CURLSH* handle() const { return share_; }

private:
    CookieShare() {
        curl_global_init(CURL_GLOBAL_DEFAULT);
        share_ = curl_share_init();
        curl_share_setopt(share_, CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE);
        curl_share_setopt(share_, CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS);
        curl_share_setopt(share_, CURLSHOPT_LOCKFUNC, &CookieShare::lock);
        curl_share_setopt(share_, CURLSHOPT_UNLOCKFUNC, &CookieShare::unlock);
        curl_share_setopt(share_, CURLSHOPT_USERDATA, this);
    }
    static void lock(CURL*, curl_lock_data data, curl_lock_access, void* self) {
        static_cast<CookieShare*>(self)->mutexes_[index(data)].lock();
    }
    static void unlock(CURL*, curl_lock_data data, void* self) {
        static_cast<CookieShare*>(self)->mutexes_[index(data)].unlock();
    }
    static std::size_t index(curl_lock_data data) {
        return static_cast<std::size_t>(data) % kLockCount;
    }

    static constexpr std::size_t kLockCount = 8;
    CURLSH* share_ = nullptr;
    std::mutex mutexes_[kLockCount];
};

// The one download budget of the process.
RateBudget& rateBudget() {
    static RateBudget budget;
    return budget;
}

struct Transfer {
    const Request* request = nullptr;
    const Callbacks* callbacks = nullptr;
    Response* response = nullptr;
    CURL* curl = nullptr;
    bool headersDelivered = false;
    bool stopRequested = false;
    std::string pendingHeaders;  // headers of the response being received
    // The first-byte limit: the clock starts when a request goes out (after
    // every connect, redirects included) and stops at its first header byte.
    long firstByteLimitMs = 0;
    bool connected = false;
    bool awaitingFirstByte = false;
    std::uint64_t requestSentAt = 0;
    bool firstByteTimedOut = false;
    bool encodingRefused = false;
};

// Delivers the final response's headers once, before the first body byte or
// at the end of a bodiless transfer.
bool deliverHeaders(Transfer& t) {
    if (t.headersDelivered)
        return !t.stopRequested;
    t.headersDelivered = true;
    t.response->rawHeaders = t.pendingHeaders;
    long status = 0;
    curl_easy_getinfo(t.curl, CURLINFO_RESPONSE_CODE, &status);
    t.response->status = status;
    curl_off_t length = -1;
    curl_easy_getinfo(t.curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
    t.response->contentLength = length;
    if (auto line = parseStatusLine(t.pendingHeaders))
        t.response->statusText = line->reason;
    t.response->contentEncoding = contentEncodingOf(parseHeaders(t.pendingHeaders));
    if (t.request->refuseContentEncoding && !t.request->decodeContent &&
        !t.response->contentEncoding.empty()) {
        // The body would be stored encoded: refuse it before its first byte.
        t.encodingRefused = true;
        t.stopRequested = true;
        return false;
    }
    if (t.callbacks && t.callbacks->onHeaders && !t.callbacks->onHeaders(*t.response))
        t.stopRequested = true;
    return !t.stopRequested;
}

size_t onHeaderLine(char* data, size_t size, size_t count, void* user) {
    auto& t = *static_cast<Transfer*>(user);
    std::string_view line(data, size * count);
    t.awaitingFirstByte = false;
    // Every response of a redirect chain (and every 1xx) starts a new block.
    if (line.starts_with("HTTP/"))
        t.pendingHeaders.clear();
    t.pendingHeaders.append(line);
    return size * count;
}

bool keepGoing(const Transfer& t) {
    return !t.callbacks || !t.callbacks->keepGoing || t.callbacks->keepGoing();
}

// Hands body bytes to the sink, or keeps them in the response.
bool deliverBody(Transfer& t, const char* data, size_t bytes) {
    if (t.callbacks && t.callbacks->onBody)
        return t.callbacks->onBody(data, bytes);
    t.response->body.append(data, bytes);
    return true;
}

// A request that shares the budget hands its block on piece by piece, each
// as the budget allows; curl reads the socket again once the block is
// through, which is what holds the connection to its share.
bool deliverWithinBudget(Transfer& t, const char* data, size_t bytes) {
    const std::function<bool()> goOn = [&t] { return keepGoing(t); };
    while (bytes > 0) {
        const size_t granted = rateBudget().take(bytes, goOn);
        if (granted == 0 || !deliverBody(t, data, granted))
            return false;
        data += granted;
        bytes -= granted;
    }
    return true;
}

size_t onBodyBytes(char* data, size_t size, size_t count, void* user) {
    auto& t = *static_cast<Transfer*>(user);
    const size_t bytes = size * count;
    if (!deliverHeaders(t))
        return CURL_WRITEFUNC_ERROR;
    if (!keepGoing(t)) {
        t.stopRequested = true;
        return CURL_WRITEFUNC_ERROR;
    }
    const bool delivered = t.request->shareRateLimit ? deliverWithinBudget(t, data, bytes)
                                                     : deliverBody(t, data, bytes);
    if (!delivered) {
        t.stopRequested = true;
        return CURL_WRITEFUNC_ERROR;
    }
    return bytes;
}

// Called once a connection is ready and the request is about to go out.
int onRequestReady(void* user, char*, char*, int, int) {
    auto& t = *static_cast<Transfer*>(user);
    t.connected = true;
    t.awaitingFirstByte = true;
    t.requestSentAt = monotonicMillis();
    return CURL_PREREQFUNC_OK;
}

int onProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    auto& t = *static_cast<Transfer*>(user);
    if (t.awaitingFirstByte && t.firstByteLimitMs > 0 &&
        monotonicMillis() - t.requestSentAt >= static_cast<std::uint64_t>(t.firstByteLimitMs)) {
        t.firstByteTimedOut = true;
        return 1;
    }
    if (t.callbacks && t.callbacks->keepGoing && !t.callbacks->keepGoing()) {
        t.stopRequested = true;
        return 1;
    }
    return 0;
}

// The request's extra header lines as curl's list, names spelt as given.
curl_slist* buildHeaderList(const Request& request) {
    curl_slist* list = nullptr;
    for (const Header& header : splitHeaderLines(request.extraHeaders)) {
        if (header.name.empty())
            continue;
        // "Name;" is curl's way of sending a header with an empty value.
        std::string line =
            header.value.empty() ? header.name + ";" : header.name + ": " + header.value;
        list = curl_slist_append(list, line.c_str());
    }
    // curl adds "Expect: 100-continue" to larger POSTs; servers that do not
    // know it stall for a second.
    list = curl_slist_append(list, "Expect:");
    return list;
}

long limitOr(long requested, std::chrono::milliseconds standard) {
    return requested >= 0 ? requested : static_cast<long>(standard.count());
}

// The CA file for a request: its own, else the process-wide setting.
std::string caFileFor(const Request& request) {
    if (!request.caFile.empty())
        return request.caFile;
    const char* fromEnvironment = std::getenv("CLIPWRIGHT_CA_FILE");
    return fromEnvironment ? fromEnvironment : "";
}

// A throttled connection reads its socket once per buffer: a smaller one
// keeps it reading often enough for the server's send timeout.
long receiveBufferFor(const Request& request) {
    if (!request.shareRateLimit || rateLimit() == 0)
        return request.receiveBufferBytes;
    return request.receiveBufferBytes > 0
               ? std::min(request.receiveBufferBytes, kRateLimitedBufferBytes)
               : kRateLimitedBufferBytes;
}

void configure(CURL* curl, const Request& request, Transfer& transfer, curl_slist* headers,
               char* errorBuffer) {
    curl_easy_setopt(curl, CURLOPT_URL, request.url.c_str());
    curl_easy_setopt(curl, CURLOPT_SHARE, CookieShare::instance().handle());
    curl_easy_setopt(curl, CURLOPT_COOKIEFILE, "");  // enables the shared cookie engine
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, request.followRedirects ? 1L : 0L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 20L);
    const TransferLimits limits = transferLimits();
    // 0 would mean curl's own default of 300 s: keep "none" as near as curl allows.
    const long connectMs = limitOr(request.connectTimeoutMs, limits.connect);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, connectMs > 0 ? connectMs : 0x7fffffffL);
    transfer.firstByteLimitMs = limitOr(request.firstByteTimeoutMs, limits.firstByte);
    curl_easy_setopt(curl, CURLOPT_FORBID_REUSE, 1L);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorBuffer);
    if (const std::string ca = caFileFor(request); !ca.empty())
        curl_easy_setopt(curl, CURLOPT_CAINFO, ca.c_str());  // curl copies the string
    if (request.stallTimeoutSeconds > 0) {
        curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
        curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, request.stallTimeoutSeconds);
    }
    if (const long buffer = receiveBufferFor(request); buffer > 0)
        curl_easy_setopt(curl, CURLOPT_BUFFERSIZE, buffer);
    if (!request.userAgent.empty())
        curl_easy_setopt(curl, CURLOPT_USERAGENT, request.userAgent.c_str());
    if (request.decodeContent)
        curl_easy_setopt(curl, CURLOPT_ACCEPT_ENCODING, "");
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);

    if (request.method == "HEAD") {
        curl_easy_setopt(curl, CURLOPT_NOBODY, 1L);
    } else if (request.method == "POST") {
        curl_easy_setopt(curl, CURLOPT_POST, 1L);
        curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE,
                         static_cast<curl_off_t>(request.body.size()));
        curl_easy_setopt(curl, CURLOPT_POSTFIELDS, request.body.data());
    } else {
        if (request.method != "GET")
            curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, request.method.c_str());
        if (!request.body.empty()) {
            curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE,
                             static_cast<curl_off_t>(request.body.size()));
            curl_easy_setopt(curl, CURLOPT_POSTFIELDS, request.body.data());
        }
    }
    if (request.rangeFirst >= 0) {
        std::string range = std::to_string(request.rangeFirst) + "-";
        if (request.rangeLast >= 0)
            range += std::to_string(request.rangeLast);
        curl_easy_setopt(curl, CURLOPT_RANGE, range.c_str());  // curl copies the string
    }

    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, &onHeaderLine);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, &transfer);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &onBodyBytes);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &onProgress);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &transfer);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_PREREQFUNCTION, &onRequestReady);
    curl_easy_setopt(curl, CURLOPT_PREREQDATA, &transfer);
}

Failure classify(CURLcode code, const Transfer& transfer) {
    if (transfer.firstByteTimedOut)
        return Failure::FirstByteTimeout;
    if (transfer.encodingRefused)
        return Failure::RefusedEncoding;
    if (transfer.stopRequested)
        return Failure::Stopped;
    switch (code) {
        case CURLE_OK:
            return Failure::None;
        case CURLE_UNSUPPORTED_PROTOCOL:
        case CURLE_URL_MALFORMAT:
            return Failure::BadUrl;
        case CURLE_COULDNT_RESOLVE_HOST:
        case CURLE_COULDNT_RESOLVE_PROXY:
        case CURLE_COULDNT_CONNECT:
            return Failure::ConnectFailed;
        case CURLE_OPERATION_TIMEDOUT:
            return transfer.connected ? Failure::Stalled : Failure::ConnectTimeout;
        case CURLE_SSL_CONNECT_ERROR:
        case CURLE_PEER_FAILED_VERIFICATION:
        case CURLE_SSL_CERTPROBLEM:
        case CURLE_SSL_CIPHER:
        case CURLE_SSL_CACERT_BADFILE:
        case CURLE_SSL_ISSUER_ERROR:
        case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
        case CURLE_SSL_INVALIDCERTSTATUS:
            return Failure::TlsFailed;
        case CURLE_RECV_ERROR:
        case CURLE_SEND_ERROR:
        case CURLE_PARTIAL_FILE:
        case CURLE_GOT_NOTHING:
        case CURLE_WEIRD_SERVER_REPLY:
        case CURLE_HTTP2:
        case CURLE_HTTP2_STREAM:
        case CURLE_BAD_CONTENT_ENCODING:
            return Failure::Broken;
        default:
            return Failure::Other;
    }
}

void recordFailure(Response& response, CURLcode code, const Transfer& transfer, CURL* curl,
                   const char* errorBuffer, long stallMs) {
    response.failure = classify(code, transfer);
    if (response.failure == Failure::None)
        return;
    response.error = response.failure == Failure::Stopped ? "stopped" : curl_easy_strerror(code);
    if (errorBuffer[0] != '\0' && response.failure != Failure::Stopped)
        response.error = errorBuffer;
    long osErrno = 0;
    if (curl_easy_getinfo(curl, CURLINFO_OS_ERRNO, &osErrno) == CURLE_OK)
        response.systemError = static_cast<int>(osErrno);
    if (response.failure == Failure::FirstByteTimeout)
        response.limitMs = transfer.firstByteLimitMs;
    else if (response.failure == Failure::Stalled)
        response.limitMs = stallMs;
    else if (response.failure == Failure::ConnectTimeout)
        response.limitMs = limitOr(transfer.request->connectTimeoutMs, transferLimits().connect);
}

// Readies a kept handle for its next request: every option back to its
// default, the open connection kept. Before curl 8.0 the reset forgot the
// list of cookie files without freeing it; emptying the list first frees
// it (the cookies themselves live in the shared store and stay).
void resetForNextRequest(CURL* curl) {
    curl_easy_setopt(curl, CURLOPT_COOKIEFILE, static_cast<char*>(nullptr));
    curl_easy_reset(curl);
}

// `reused` is a handle kept by a Connection (its open connection survives
// the reset), or null for a fresh handle that lives for this request only.
Response perform(const Request& request, const Callbacks* callbacks, CURL* reused = nullptr) {
    Response response;
    if (!isHttpUrl(request.url)) {
        response.error = "only http and https URLs are fetched";
        response.failure = Failure::BadUrl;
        response.effectiveUrl = request.url;
        return response;
    }
    curl_slist* headers = buildHeaderList(request);
    for (int attempt = 0;; ++attempt) {
        response = Response{};
        CURL* curl = reused ? reused : curl_easy_init();
        if (!curl) {
            response.error = "curl_easy_init failed";
            break;
        }
        if (reused)
            resetForNextRequest(curl);
        Transfer transfer;
        transfer.request = &request;
        transfer.callbacks = callbacks;
        transfer.response = &response;
        transfer.curl = curl;
        char errorBuffer[CURL_ERROR_SIZE] = {};
        configure(curl, request, transfer, headers, errorBuffer);
        if (reused)
            curl_easy_setopt(curl, CURLOPT_FORBID_REUSE, 0L);
        CURLcode code = curl_easy_perform(curl);
        if (code == CURLE_OK)
            deliverHeaders(transfer);  // a bodiless answer still reports its headers
        else if (!transfer.headersDelivered && !transfer.pendingHeaders.empty()) {
            response.rawHeaders = transfer.pendingHeaders;
            curl_off_t length = -1;
            curl_easy_getinfo(curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
            response.contentLength = length;
        }
        if (response.status == 0)
            curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &response.status);
        char* effective = nullptr;
        if (curl_easy_getinfo(curl, CURLINFO_EFFECTIVE_URL, &effective) == CURLE_OK && effective)
            response.effectiveUrl = effective;
        response.aborted = transfer.stopRequested && !transfer.encodingRefused;
        response.transportOk = code == CURLE_OK && !transfer.stopRequested;
        recordFailure(response, code, transfer, curl, errorBuffer,
                      request.stallTimeoutSeconds * 1000);
        if (reused)
            curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, static_cast<char*>(nullptr));
        else
            curl_easy_cleanup(curl);
        const bool connectFailed = code == CURLE_COULDNT_CONNECT;
        if (!connectFailed || attempt >= request.connectRetries)
            break;
    }
    curl_slist_free_all(headers);
    return response;
}

}  // namespace

Response fetch(const Request& request) {
    return perform(request, nullptr);
}

Response fetch(const Request& request, const Callbacks& callbacks) {
    return perform(request, &callbacks);
}

Connection::~Connection() {
    if (handle_)
        curl_easy_cleanup(static_cast<CURL*>(handle_));
}

Response Connection::fetch(const Request& request, const Callbacks& callbacks) {
    if (!handle_) {
        CookieShare::instance();  // initialises curl before the first handle
        handle_ = curl_easy_init();
    }
    if (!handle_)
        return perform(request, &callbacks);
    return perform(request, &callbacks, static_cast<CURL*>(handle_));
}

void setRateLimit(std::int64_t bytesPerSecond) {
    rateBudget().setRate(bytesPerSecond);
}

std::int64_t rateLimit() {
    return rateBudget().rate();
}

bool isHttpUrl(std::string_view url) {
    const std::string lower = platform::lowerAscii(url.substr(0, 8));
    return lower.starts_with("http://") || lower.starts_with("https://");
}

bool setCookie(const std::string& url, const std::string& name, const std::string& data) {
    if (!isHttpUrl(url) || name.empty())
        return false;
    CURLU* parsed = curl_url();
    char* host = nullptr;
    bool ok = curl_url_set(parsed, CURLUPART_URL, url.c_str(), 0) == CURLUE_OK &&
              curl_url_get(parsed, CURLUPART_HOST, &host, 0) == CURLUE_OK;
    std::string hostName = ok ? host : "";
    curl_free(host);
    curl_url_cleanup(parsed);
    if (!ok)
        return false;
    // Only the value travels; attributes after ';' would need a cookie
    // parser of their own, and the store keeps the cookie for the session.
    std::string value = data.substr(0, data.find(';'));
    // Netscape cookie-file line: domain, subdomains, path, secure, expiry, name, value.
    std::string line = hostName + "\tFALSE\t/\tFALSE\t0\t" + name + "\t" + value;
    CURL* curl = curl_easy_init();
    if (!curl)
        return false;
    curl_easy_setopt(curl, CURLOPT_SHARE, CookieShare::instance().handle());
    curl_easy_setopt(curl, CURLOPT_COOKIEFILE, "");
    ok = curl_easy_setopt(curl, CURLOPT_COOKIELIST, line.c_str()) == CURLE_OK;
    curl_easy_cleanup(curl);
    return ok;
}

void clearCookies() {
    CURL* curl = curl_easy_init();
    if (!curl)
        return;
    curl_easy_setopt(curl, CURLOPT_SHARE, CookieShare::instance().handle());
    curl_easy_setopt(curl, CURLOPT_COOKIEFILE, "");
    curl_easy_setopt(curl, CURLOPT_COOKIELIST, "ALL");
    curl_easy_cleanup(curl);
}

namespace {

// "host:port" of a URL, for messages; the URL itself when it cannot be split.
std::string authorityOf(const std::string& url) {
    CURLU* parsed = curl_url();
    char* host = nullptr;
    char* port = nullptr;
    std::string authority = url;
    if (curl_url_set(parsed, CURLUPART_URL, url.c_str(), 0) == CURLUE_OK &&
        curl_url_get(parsed, CURLUPART_HOST, &host, 0) == CURLUE_OK &&
        curl_url_get(parsed, CURLUPART_PORT, &port, CURLU_DEFAULT_PORT) == CURLUE_OK)
        authority = std::string(host) + ":" + port;
    curl_free(host);
    curl_free(port);
    curl_url_cleanup(parsed);
    return authority;
}

// "30 s", "1.5 s", "0.2 s".
std::string secondsText(long ms) {
    char text[32];
    if (ms % 1000 == 0)
        std::snprintf(text, sizeof text, "%ld s", ms / 1000);
    else
        std::snprintf(text, sizeof text, "%.1f s", static_cast<double>(ms) / 1000.0);
    return text;
}

std::string withSystemError(std::string text, int systemError) {
    if (systemError != 0)
        text += std::string(": ") + std::strerror(systemError);
    return text;
}

}  // namespace

std::string statusDescription(const Response& response) {
    std::string text = "HTTP " + std::to_string(response.status);
    if (!response.statusText.empty())
        text += " " + response.statusText;
    return text;
}

std::string failureReason(const Response& response) {
    const std::string where = authorityOf(response.effectiveUrl);
    switch (response.failure) {
        case Failure::None:
            break;
        case Failure::BadUrl:
            return "the address cannot be used: " + response.error;
        case Failure::ConnectFailed:
            return withSystemError("no connection to " + where, response.systemError);
        case Failure::ConnectTimeout:
            return "no connection to " + where + " within " + secondsText(response.limitMs) +
                   " (connect limit)";
        case Failure::FirstByteTimeout:
            return "no answer from " + where + " within " + secondsText(response.limitMs) +
                   " (first-byte limit)";
        case Failure::Stalled:
            return "nothing arrived from " + where + " for " + secondsText(response.limitMs) +
                   " (stall limit)";
        case Failure::TlsFailed:
            return "secure connection to " + where + " failed: " + response.error;
        case Failure::Broken:
            return withSystemError("the connection to " + where + " broke off",
                                   response.systemError);
        case Failure::RefusedEncoding:
            return "the server sent " + response.contentEncoding +
                   "-encoded content, which was not asked for";
        case Failure::Stopped:
            return "stopped";
        case Failure::Other:
            return response.error;
    }
    if (response.status < 200 || response.status > 299)
        return statusDescription(response);
    return "";
}

bool hasUsableNetworkInterface() {
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0)
        return false;
    bool found = false;
    for (ifaddrs* it = list; it && !found; it = it->ifa_next) {
        const unsigned flags = it->ifa_flags;
        found = (flags & IFF_UP) && (flags & IFF_RUNNING) && !(flags & IFF_LOOPBACK);
    }
    freeifaddrs(list);
    return found;
}

}  // namespace platform::http
