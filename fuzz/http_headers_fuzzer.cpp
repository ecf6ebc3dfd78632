// The HTTP layer's parsing of response headers: header lines, the status
// line, Content-Range, validators and content codings, on arbitrary text.
#include "platform/http_parse.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

void check(bool holds) {
    if (!holds)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    namespace http = platform::http;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto headers = http::parseHeaders(text);
    for (const http::Header& header : headers)
        check(header.name.size() + header.value.size() <= size);
    http::splitHeaderLines(text);
    if (const auto status = http::parseStatusLine(text))
        check(status->code >= 0 && status->code <= 999);
    // Every header value as a Content-Range, and the whole input too.
    for (const http::Header& header : headers)
        if (const auto range = http::parseContentRange(header.value))
            check(range->first <= range->last && (range->total < 0 || range->last < range->total));
    if (const auto range = http::parseContentRange(text))
        check(range->first >= 0 && range->first <= range->last);
    const http::Validators validators = http::validatorsOf(headers);
    const std::string ifRange = validators.forIfRange();
    check(ifRange.empty() || ifRange == validators.etag || ifRange == validators.lastModified);
    http::contentEncodingOf(headers);
    return 0;
}
