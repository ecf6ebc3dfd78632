// Pure parsing of HTTP response headers: no I/O, no state, every input
// accepted (malformed text gives empty or absent results, never a crash).
// The HTTP layer (platform/http.h) and the transfer engines read answers
// only through these functions.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::http {

// One parsed header line.
struct Header {
    std::string name;
    std::string value;
};

// Splits header text into (name, value) entries: lines end in CR LF, text
// after the last CR LF is dropped, a line without ':' is skipped, the name
// is trimmed of blanks and lower-cased, the value loses one leading blank.
std::vector<Header> parseHeaders(std::string_view text);
// The same, with the names spelt as written (for headers to be sent).
std::vector<Header> splitHeaderLines(std::string_view text);

// The value of the first header named `name` (compared without case), or
// nullptr.
const std::string* findHeader(const std::vector<Header>& headers, std::string_view name);

// The status line that starts a header block: "HTTP/1.1 404 Not Found".
struct StatusLine {
    long code = 0;
    std::string reason;  // may be empty (HTTP/2 has none)
};
// Parses the first line of `headerBlock`; nothing when it is not a status
// line with a three-digit code.
std::optional<StatusLine> parseStatusLine(std::string_view headerBlock);

// A Content-Range value: "bytes FIRST-LAST/TOTAL", TOTAL possibly "*".
struct ContentRange {
    std::int64_t first = 0;
    std::int64_t last = 0;    // inclusive
    std::int64_t total = -1;  // -1 for "*"
};
// Parses the value of a Content-Range header; nothing when it is not a
// satisfied byte range (also "bytes */TOTAL", last < first, or last beyond
// a known total).
std::optional<ContentRange> parseContentRange(std::string_view value);

// What identifies one version of a resource.
struct Validators {
    std::string etag;          // as sent, quotes and any "W/" included; empty when none
    std::string lastModified;  // as sent; empty when none
    bool operator==(const Validators&) const = default;
    bool empty() const { return etag.empty() && lastModified.empty(); }
    // The validator for an If-Range request: the ETag when it is a strong
    // one, else Last-Modified; empty when there is none (a weak ETag must
    // not be used there, a server would then always send the whole file).
    std::string forIfRange() const;
};
Validators validatorsOf(const std::vector<Header>& headers);

// The answer's content codings other than "identity", as written (for
// example "gzip"); empty when the body comes as it is.
std::string contentEncodingOf(const std::vector<Header>& headers);

}  // namespace platform::http
