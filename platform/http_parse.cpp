#include "platform/http_parse.h"

#include "platform/text.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace platform::http {
namespace {

// A whole decimal number without sign, or nothing.
std::optional<std::int64_t> decimal(std::string_view text) {
    if (text.empty() || !std::isdigit(static_cast<unsigned char>(text.front())))
        return std::nullopt;
    std::int64_t value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

}  // namespace

std::vector<Header> splitHeaderLines(std::string_view text) {
    std::vector<Header> headers;
    size_t start = 0;
    for (size_t end; (end = text.find("\r\n", start)) != std::string_view::npos; start = end + 2) {
        std::string_view line = text.substr(start, end - start);
        size_t colon = line.find(':');
        if (colon == std::string_view::npos)
            continue;
        std::string_view value = line.substr(colon + 1);
        if (!value.empty() && value.front() == ' ')
            value.remove_prefix(1);
        headers.push_back(
            {std::string(platform::trimBlanks(line.substr(0, colon))), std::string(value)});
    }
    return headers;
}

std::vector<Header> parseHeaders(std::string_view text) {
    std::vector<Header> headers = splitHeaderLines(text);
    for (Header& header : headers)
        header.name = platform::lowerAscii(header.name);
    return headers;
}

const std::string* findHeader(const std::vector<Header>& headers, std::string_view name) {
    const std::string wanted = platform::lowerAscii(name);
    for (const Header& h : headers)
        if (h.name == wanted)
            return &h.value;
    return nullptr;
}

std::optional<StatusLine> parseStatusLine(std::string_view headerBlock) {
    std::string_view line = headerBlock.substr(0, headerBlock.find("\r\n"));
    if (!line.starts_with("HTTP/"))
        return std::nullopt;
    const size_t blank = line.find(' ');
    if (blank == std::string_view::npos)
        return std::nullopt;
    std::string_view rest = line.substr(blank + 1);
    const auto code = decimal(rest.substr(0, 3));
    if (!code || rest.size() < 3 || (rest.size() > 3 && rest[3] != ' '))
        return std::nullopt;
    StatusLine status;
    status.code = static_cast<long>(*code);
    if (rest.size() > 4)
        status.reason = std::string(platform::trimBlanks(rest.substr(4)));
    return status;
}

std::optional<ContentRange> parseContentRange(std::string_view value) {
    value = platform::trimBlanks(value);
    if (value.size() < 6 || platform::lowerAscii(value.substr(0, 6)) != "bytes ")
        return std::nullopt;
    std::string_view range = platform::trimBlanks(value.substr(6));
    const size_t dash = range.find('-');
    const size_t slash = range.find('/');
    if (dash == std::string_view::npos || slash == std::string_view::npos || slash < dash)
        return std::nullopt;
    const auto first = decimal(range.substr(0, dash));
    const auto last = decimal(range.substr(dash + 1, slash - dash - 1));
    if (!first || !last || *last < *first)
        return std::nullopt;
    ContentRange result{*first, *last, -1};
    const std::string_view total = range.substr(slash + 1);
    if (total != "*") {
        const auto declared = decimal(total);
        if (!declared || *last >= *declared)
            return std::nullopt;
        result.total = *declared;
    }
    return result;
}

std::string Validators::forIfRange() const {
    if (!etag.empty() && !etag.starts_with("W/"))
        return etag;
    return lastModified;
}

Validators validatorsOf(const std::vector<Header>& headers) {
    Validators validators;
    if (const std::string* etag = findHeader(headers, "etag"))
        validators.etag = std::string(platform::trimBlanks(*etag));
    if (const std::string* modified = findHeader(headers, "last-modified"))
        validators.lastModified = std::string(platform::trimBlanks(*modified));
    return validators;
}

std::string contentEncodingOf(const std::vector<Header>& headers) {
    std::string codings;
    for (const Header& header : headers) {
        if (header.name != "content-encoding")
            continue;
        std::string_view list = header.value;
        while (!list.empty()) {
            const size_t comma = list.find(',');
            const std::string_view coding = platform::trimBlanks(list.substr(0, comma));
            if (!coding.empty() && platform::lowerAscii(coding) != "identity") {
                if (!codings.empty())
                    codings += ", ";
                codings += coding;
            }
            list = comma == std::string_view::npos ? std::string_view() : list.substr(comma + 1);
        }
    }
    return codings;
}

}  // namespace platform::http
