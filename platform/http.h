// The one HTTP layer of the project, over libcurl, shared by every library.
//
// Every request is a fresh easy handle (no connection reuse between calls),
// restricted to http and https, redirects included, with certificates
// verified. One process-wide cookie store is shared by all requests of all
// threads. Proxies come from the environment as curl reads them.
//
// Time limits: every request has a connect limit and a first-byte limit
// (from sending the request to the first byte of the answer), by default
// those of platform/transfer_limits.h; a request may add a stall limit.
//
// Download rate: one process-wide budget (setRateLimit) shared by every
// request that sets Request::shareRateLimit, all connections of all
// downloads together; see setRateLimit() below.
//
// Trusted authorities: the system's store, or the PEM file named by
// Request::caFile, or else by the environment variable CLIPWRIGHT_CA_FILE
// (unset by default), which then replaces the system's store.
#pragma once

#include "platform/http_parse.h"

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
    // Time limits in milliseconds: -1 takes the limit in force
    // (platform::transferLimits()), 0 means none.
    long connectTimeoutMs = -1;
    long firstByteTimeoutMs = -1;
    // The transfer ends with an error when fewer than one byte arrives in
    // this many seconds (0: never).
    long stallTimeoutSeconds = 0;
    // For transfers that must store the resource as it is: an answer with a
    // Content-Encoding other than identity ends the transfer before its
    // first body byte, with Failure::RefusedEncoding. Ignored with
    // decodeContent.
    bool refuseContentEncoding = false;
    // A PEM file of trusted certificate authorities replacing the system's
    // store; empty: CLIPWRIGHT_CA_FILE when set, else the system's store.
    std::string caFile;
    // Failed connects are tried again this many times before giving up.
    int connectRetries = 4;
    // Size of the receive buffer, and so the largest block handed to a body
    // sink; 0 keeps curl's default (16 KiB). Bulk downloads use more to
    // make fewer, larger writes.
    long receiveBufferBytes = 0;
    // Draw the body's bytes from the process-wide rate budget
    // (setRateLimit). Bulk transfers set it; pages, playlists and keys do
    // not. While a limit is in force when the request starts, its receive
    // buffer is at most kRateLimitedBufferBytes.
    bool shareRateLimit = false;
};

// The largest receive buffer of a request that starts while a rate limit
// is in force: such a connection reads its socket at least once every
// kRateLimitedBufferBytes / (its share of the rate) seconds.
constexpr long kRateLimitedBufferBytes = 32 * 1024;

// Why an exchange did not complete at the transport level.
enum class Failure {
    None,
    BadUrl,            // not an http or https URL, or one curl cannot use
    ConnectFailed,     // the host cannot be resolved or refused the connection
    ConnectTimeout,    // no connection within the connect limit
    FirstByteTimeout,  // no answer within the first-byte limit
    Stalled,           // nothing arrived for the stall limit
    TlsFailed,         // the TLS handshake failed or the certificate did not verify
    Broken,            // the connection broke off or the answer was malformed
    RefusedEncoding,   // a Content-Encoding that was refused (Request::refuseContentEncoding)
    Stopped,           // a callback ended the transfer
    Other,
};

struct Response {
    long status = 0;                  // final HTTP status; 0 when no response arrived
    std::string statusText;           // its reason phrase ("Not Found"); may be empty
    std::string rawHeaders;           // header block of the final response, CR LF lines
    std::string body;                 // filled only by fetch() without a body sink
    std::int64_t contentLength = -1;  // declared length of the final response, -1 unknown
    std::string effectiveUrl;         // the URL that answered last
    bool transportOk = false;         // the exchange completed at the transport level
    bool aborted = false;             // a callback asked to stop
    std::string error;                // transport error text when !transportOk
    Failure failure = Failure::None;  // why !transportOk
    int systemError = 0;              // the system's error number behind a failure, 0 when none
    // The limit that ended the transfer (ConnectTimeout, FirstByteTimeout,
    // Stalled), in milliseconds.
    long limitMs = 0;
    std::string contentEncoding;  // the answer's codings other than identity
};

// What went wrong, in words for a user: the transport failure ("no answer
// from 127.0.0.1:8080 within 30 s (first-byte limit)"), else an HTTP status
// outside 2xx ("HTTP 404 Not Found"); empty for a complete 2xx exchange.
std::string failureReason(const Response& response);
// "HTTP 404 Not Found" (the reason phrase when there was one).
std::string statusDescription(const Response& response);

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

// The process-wide download budget in bytes per second, 0 (the default) for
// none. Every request with Request::shareRateLimit draws from the one
// budget, so the rate holds for all of them together (after an idle spell
// a burst of up to a quarter of a second's worth, at least 512 bytes,
// passes at once). A change applies at once, also to transfers under way:
// a connection waiting for budget sees the new rate within 20 ms. A value
// below 0 counts as 0. Any thread.
//
// Waiting for budget happens between the socket reads of the connection,
// in slices of at most 20 ms that ask Callbacks::keepGoing, so a stop is
// honoured within a slice. The wait never counts toward the stall limit:
// bytes keep arriving at the connection's share of the rate. What a
// throttled connection cannot avoid is reading its socket only once per
// receive buffer; servers commonly drop a client that reads nothing for
// 60 s, so a share below kRateLimitedBufferBytes / 60 s (about 550 bytes per
// second per connection) risks broken connections, as does a limit far
// below the rate of a request that started without one and so has its
// full buffer (the engines reopen such a connection, then with the smaller
// buffer). Use platform::parseRate (platform/rate.h) for rates typed by a
// user.
void setRateLimit(std::int64_t bytesPerSecond);
std::int64_t rateLimit();

// True when the URL has the http or https scheme (case-insensitive).
bool isHttpUrl(std::string_view url);

// Adds a cookie for the URL's host to the process-wide store. `data` is the
// cookie's value, optionally followed by "; attribute" text. Returns false
// for a URL that is not http or https, or an empty name.
bool setCookie(const std::string& url, const std::string& name, const std::string& data);

// Removes every cookie from the process-wide store (tests).
void clearCookies();

// True when a non-loopback network interface is up.
bool hasUsableNetworkInterface();

}  // namespace platform::http
