// The network operations of site scripts over the project's HTTP layer:
// the VAR functions GETHTML, POST, ISURLALIVE and GETREDIRECT, the SETCOOKIE
// statement and the stream probe of a block's closing steps. Every
// operation is one fresh request; only http and https URLs are fetched.
#pragma once

#include "platform/http.h"
#include "sitescript/variables.h"

#include <string>

namespace sitescript {

// The user agent of a script's requests: USERAGENT, or "Rudevozov".
std::string userAgentOf(const VariableTable& variables);

struct PageText {
    bool failed = false;  // no answer, or an answer with a bad status
    std::string reason;   // when failed: the transport failure or the status, in words
    int httpStatus = 0;   // when failed: the server's status, 0 without an answer
    int systemError = 0;  // when failed: the errno behind the transport failure
    Value text;           // the body as UTF-8 text; unset when it was empty
    std::int64_t bytes = 0;
};

// GETHTML: GET, redirects followed, gzip/deflate undone. A body over 64 MiB
// fails the fetch: no page is that large.
PageText getPage(const std::string& url, const std::string& userAgent);

// POST: waits 5 seconds, then posts the body (UTF-8) with the header lines
// of `headerText` ("Name: value" CR LF lines). Returns the response body, or
// nullopt when there was no answer or its status was bad.
Value postForm(const std::string& url, const std::string& body, const std::string& headerText,
               const std::string& userAgent);

// ISURLALIVE: "1" when a HEAD request answers with a good status, otherwise
// the one character U+000B.
std::u16string urlAliveFlag(const std::string& url);

// GETREDIRECT: the Location header of a GET whose redirects are not
// followed; unset when there is none.
Value redirectTarget(const std::string& url, const std::string& userAgent);

// SETCOOKIE: adds the cookie to the process-wide store.
void setCookie(const std::u16string& url, const std::u16string& name, const std::u16string& data);

// The stream probe: sets VIDFORMAT from the stream's content type and adds
// its content length to VIDLENGTH, from the headers of a GET (of whose body
// only the first 16 bytes are read) replaced by those of a HEAD when that
// answers. An HLS playlist, told by its content type or by a body that
// starts with "#EXTM3U" whatever the type, gets "m3u8" and adds no length.
void probeStream(const std::u16string& url, VariableTable& variables);

// VIDFORMAT for a content type; empty when the table has no row for it. The
// HLS playlist types give "m3u8", compared without case.
std::u16string formatForContentType(std::string_view contentType);

// Test seam: answers every request of the functions above from memory
// instead of the network. The responder gets the request as it would go out
// and returns the final response (status, raw header block, body); the
// body is then handed to the function's callbacks as the HTTP layer would
// (nothing for HEAD, and not at all when the headers end the transfer).
// While a responder is set no request leaves the process, POST does not
// wait and SETCOOKIE stores nothing, so that fuzzing and offline tests run
// at memory speed and leave no state behind. Process-wide: set it before
// the first analysis and clear it (nullptr) after the last one has ended.
using OfflineResponder = platform::http::Response (*)(const platform::http::Request& request);
void setOfflineResponder(OfflineResponder responder);

}  // namespace sitescript
