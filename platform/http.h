// The one HTTP layer of the project, over libcurl, shared by every library.
//
// Every request is a fresh easy handle (no connection reuse between calls),
// restricted to http and https, redirects included, with certificates
// verified. One process-wide cookie store is shared by all requests of all
// threads. Proxies come from the environment as curl reads them.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace platform::http {

struct Request {
    std::string url;
    std::string method = "GET";  // "GET", "POST", "HEAD" or any other verb
    std::string userAgent;       // empty: no User-Agent header
    // Extra header lines, each "Name: value" ending in CR LF (text after the
    // last CR LF is ignored, as is a line without a colon).
    std::string extraHeaders;
    std::string body;  // sent as is with its byte length when non-empty or when method is POST
    bool followRedirects = true;
    // Decode gzip and deflate bodies. An Accept-Encoding line in extraHeaders
    // is then sent as written; otherwise curl announces what it can decode.
    bool decodeContent = false;
    // Byte range to ask for; rangeFirst < 0 asks for the whole body. A
    // rangeLast < 0 means "to the end".
    std::int64_t rangeFirst = -1;
    std::int64_t rangeLast = -1;
    long connectTimeoutSeconds = 30;
    // The transfer ends with an error when fewer than one byte arrives in
    // this many seconds (0: never).
    long stallTimeoutSeconds = 0;
    // Failed connects are tried again this many times before giving up.
    int connectRetries = 4;
    // Size of the receive buffer, and so the largest block handed to a body
    // sink; 0 keeps curl's default (16 KiB). Bulk downloads use more to
    // make fewer, larger writes.
    long receiveBufferBytes = 0;
};

struct Response {
    long status = 0;                  // final HTTP status; 0 when no response arrived
    std::string rawHeaders;           // header block of the final response, CR LF lines
    std::string body;                 // filled only by fetch() without a body sink
    std::int64_t contentLength = -1;  // declared length of the final response, -1 unknown
    std::string effectiveUrl;         // the URL that answered last
    bool transportOk = false;         // the exchange completed at the transport level
    bool aborted = false;             // a callback asked to stop
    bool timedOut = false;            // a time limit (connect or stall) ended the exchange
    std::string error;                // transport error text when !transportOk
};

// Called once the final response's headers are known (after redirects).
// Return false to end the transfer without reading the body.
using HeadersCallback = std::function<bool(const Response& headersSoFar)>;
// Called for every block of body bytes; return false to end the transfer.
using BodySink = std::function<bool(const char* data, std::size_t size)>;
// Polled about once a second and between blocks; return false to end the
// transfer (used for stop requests while no data arrives).
using ContinuePredicate = std::function<bool()>;

struct Callbacks {
    HeadersCallback onHeaders;
    BodySink onBody;
    ContinuePredicate keepGoing;
};

// Performs the request and reads the whole body into Response::body.
Response fetch(const Request& request);

// Performs the request and streams the body to callbacks.onBody (which
// must be set). Response::body stays empty.
Response fetch(const Request& request, const Callbacks& callbacks);

// A connection kept open from one request to the next (HTTP keep-alive),
// for a worker that fetches many files from one server in turn. A request
// made through it behaves as fetch() does, except that the connection (and
// a TLS session) is reused when the server keeps it open. One thread at a
// time; the connection closes with the object.
class Connection {
public:
    Connection() = default;
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // As fetch(request, callbacks).
    Response fetch(const Request& request, const Callbacks& callbacks);

private:
    void* handle_ = nullptr;  // the transfer handle, made at the first request
};

// True when the URL has the http or https scheme (case-insensitive).
bool isHttpUrl(std::string_view url);

// Adds a cookie for the URL's host to the process-wide store. `data` is the
// cookie's value, optionally followed by "; attribute" text. Returns false
// for a URL that is not http or https, or an empty name.
bool setCookie(const std::string& url, const std::string& name, const std::string& data);

// Removes every cookie from the process-wide store (tests).
void clearCookies();

// One parsed header line.
struct Header {
    std::string name;
    std::string value;
};

// Splits header text into (name, value) entries: lines end in CR LF, text
// after the last CR LF is dropped, a line without ':' is skipped, the name
// is trimmed of blanks and lower-cased, the value loses one leading blank.
std::vector<Header> parseHeaders(std::string_view text);

// The value of the first header named `name` (compared without case), or
// nullptr.
const std::string* findHeader(const std::vector<Header>& headers, std::string_view name);

// True when a non-loopback network interface is up.
bool hasUsableNetworkInterface();

}  // namespace platform::http
