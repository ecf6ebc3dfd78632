#include "platform/http.h"

#include <curl/curl.h>
#include <ifaddrs.h>
#include <net/if.h>

#include <algorithm>
#include <cctype>
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

struct Transfer {
    const Callbacks* callbacks = nullptr;
    Response* response = nullptr;
    CURL* curl = nullptr;
    bool headersDelivered = false;
    bool stopRequested = false;
    std::string pendingHeaders;  // headers of the response being received
};

std::string lowerCase(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

// Calls fn(name, value) for every complete "name: value" CR LF line: text
// after the last CR LF is dropped, a line without ':' is skipped, the name is
// trimmed of blanks and the value loses one leading blank.
template <typename Fn>
void forEachHeaderLine(std::string_view text, Fn fn) {
    size_t start = 0;
    for (size_t end; (end = text.find("\r\n", start)) != std::string_view::npos; start = end + 2) {
        std::string_view line = text.substr(start, end - start);
        size_t colon = line.find(':');
        if (colon == std::string_view::npos)
            continue;
        std::string_view name = line.substr(0, colon);
        while (!name.empty() && (name.front() == ' ' || name.front() == '\t'))
            name.remove_prefix(1);
        while (!name.empty() && (name.back() == ' ' || name.back() == '\t'))
            name.remove_suffix(1);
        std::string_view value = line.substr(colon + 1);
        if (!value.empty() && value.front() == ' ')
            value.remove_prefix(1);
        fn(name, value);
    }
}

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
    if (t.callbacks && t.callbacks->onHeaders && !t.callbacks->onHeaders(*t.response))
        t.stopRequested = true;
    return !t.stopRequested;
}

size_t onHeaderLine(char* data, size_t size, size_t count, void* user) {
    auto& t = *static_cast<Transfer*>(user);
    std::string_view line(data, size * count);
    // Every response of a redirect chain (and every 1xx) starts a new block.
    if (line.starts_with("HTTP/"))
        t.pendingHeaders.clear();
    t.pendingHeaders.append(line);
    return size * count;
}

size_t onBodyBytes(char* data, size_t size, size_t count, void* user) {
    auto& t = *static_cast<Transfer*>(user);
    const size_t bytes = size * count;
    if (!deliverHeaders(t))
        return CURL_WRITEFUNC_ERROR;
    if (t.callbacks && t.callbacks->keepGoing && !t.callbacks->keepGoing()) {
        t.stopRequested = true;
        return CURL_WRITEFUNC_ERROR;
    }
    if (t.callbacks && t.callbacks->onBody) {
        if (!t.callbacks->onBody(data, bytes)) {
            t.stopRequested = true;
            return CURL_WRITEFUNC_ERROR;
        }
    } else {
        t.response->body.append(data, bytes);
    }
    return bytes;
}

int onProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    auto& t = *static_cast<Transfer*>(user);
    if (t.callbacks && t.callbacks->keepGoing && !t.callbacks->keepGoing()) {
        t.stopRequested = true;
        return 1;
    }
    return 0;
}

// The request's extra header lines as curl's list, names spelt as given.
curl_slist* buildHeaderList(const Request& request) {
    curl_slist* list = nullptr;
    forEachHeaderLine(request.extraHeaders, [&](std::string_view name, std::string_view value) {
        if (name.empty())
            return;
        // "Name;" is curl's way of sending a header with an empty value.
        std::string line =
            value.empty() ? std::string(name) + ";" : std::string(name) + ": " + std::string(value);
        list = curl_slist_append(list, line.c_str());
    });
    // curl adds "Expect: 100-continue" to larger POSTs; servers that do not
    // know it stall for a second.
    list = curl_slist_append(list, "Expect:");
    return list;
}

void configure(CURL* curl, const Request& request, Transfer& transfer, curl_slist* headers) {
    curl_easy_setopt(curl, CURLOPT_URL, request.url.c_str());
    curl_easy_setopt(curl, CURLOPT_SHARE, CookieShare::instance().handle());
    curl_easy_setopt(curl, CURLOPT_COOKIEFILE, "");  // enables the shared cookie engine
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, request.followRedirects ? 1L : 0L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 20L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, request.connectTimeoutSeconds);
    curl_easy_setopt(curl, CURLOPT_FORBID_REUSE, 1L);
    if (request.stallTimeoutSeconds > 0) {
        curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
        curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, request.stallTimeoutSeconds);
    }
    if (request.receiveBufferBytes > 0)
        curl_easy_setopt(curl, CURLOPT_BUFFERSIZE, request.receiveBufferBytes);
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
        transfer.callbacks = callbacks;
        transfer.response = &response;
        transfer.curl = curl;
        configure(curl, request, transfer, headers);
        if (reused)
            curl_easy_setopt(curl, CURLOPT_FORBID_REUSE, 0L);
        CURLcode code = curl_easy_perform(curl);
        if (code == CURLE_OK)
            deliverHeaders(transfer);  // a bodiless answer still reports its headers
        else if (!transfer.headersDelivered && !transfer.pendingHeaders.empty())
            response.rawHeaders = transfer.pendingHeaders;
        if (response.status == 0)
            curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &response.status);
        char* effective = nullptr;
        if (curl_easy_getinfo(curl, CURLINFO_EFFECTIVE_URL, &effective) == CURLE_OK && effective)
            response.effectiveUrl = effective;
        response.aborted = transfer.stopRequested;
        response.timedOut = code == CURLE_OPERATION_TIMEDOUT;
        response.transportOk = code == CURLE_OK && !transfer.stopRequested;
        if (!response.transportOk)
            response.error = transfer.stopRequested ? "stopped" : curl_easy_strerror(code);
        if (!reused)
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

bool isHttpUrl(std::string_view url) {
    const std::string lower = lowerCase(url.substr(0, 8));
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

std::vector<Header> parseHeaders(std::string_view text) {
    std::vector<Header> headers;
    forEachHeaderLine(text, [&](std::string_view name, std::string_view value) {
        headers.push_back({lowerCase(name), std::string(value)});
    });
    return headers;
}

const std::string* findHeader(const std::vector<Header>& headers, std::string_view name) {
    const std::string wanted = lowerCase(name);
    for (const Header& h : headers)
        if (h.name == wanted)
            return &h.value;
    return nullptr;
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
