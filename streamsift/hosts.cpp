#include "streamsift/hosts.h"

#include <arpa/inet.h>
#include <netinet/in.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "platform/http.h"

namespace streamsift {
namespace {

struct UrlParts {
    std::string_view prefix;     // "scheme://"
    std::string_view authority;  // user information, host and port
    std::string_view rest;       // path, query and fragment
};

std::optional<UrlParts> splitUrl(std::string_view url) {
    const std::size_t schemeEnd = url.find("://");
    if (schemeEnd == std::string_view::npos)
        return std::nullopt;
    const std::size_t hostStart = schemeEnd + 3;
    const std::size_t hostEnd = std::min(url.find_first_of("/?#", hostStart), url.size());
    return UrlParts{url.substr(0, hostStart), url.substr(hostStart, hostEnd - hostStart),
                    url.substr(hostEnd)};
}

// The host of "user@host:port" or "[v6]:port", without brackets.
std::string_view hostOf(std::string_view authority) {
    if (const std::size_t at = authority.rfind('@'); at != std::string_view::npos)
        authority.remove_prefix(at + 1);
    if (authority.starts_with('[')) {
        const std::size_t close = authority.find(']');
        return authority.substr(1, close == std::string_view::npos ? close : close - 1);
    }
    // More than one colon without brackets is a bare IPv6 address.
    const std::size_t colon = authority.find(':');
    if (colon != std::string_view::npos && authority.find(':', colon + 1) == std::string_view::npos)
        return authority.substr(0, colon);
    return authority;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

}  // namespace

std::string hostOverride() {
    const char* value = std::getenv("STREAMSIFT_HOST");
    return value ? value : "";
}

std::optional<std::string> pathAndQuery(std::string_view url) {
    const std::optional<UrlParts> parts = splitUrl(url);
    if (!parts || !platform::http::isHttpUrl(url))
        return std::nullopt;
    std::string_view rest = parts->rest.substr(0, parts->rest.find('#'));
    if (rest.empty() || rest.front() != '/')
        return "/" + std::string(rest);
    return std::string(rest);
}

std::string withAuthority(std::string_view url, std::string_view authority) {
    const std::optional<UrlParts> parts = splitUrl(url);
    if (!parts)
        return std::string(url);
    return std::string(parts->prefix) + std::string(authority) + std::string(parts->rest);
}

bool isLoopbackAuthority(std::string_view authority) {
    const std::string host(hostOf(authority));
    if (equalsIgnoringCase(host, "localhost"))
        return true;
    in_addr v4{};
    if (inet_pton(AF_INET, host.c_str(), &v4) == 1)
        return (ntohl(v4.s_addr) >> 24) == 127;
    in6_addr v6{};
    return inet_pton(AF_INET6, host.c_str(), &v6) == 1 && IN6_IS_ADDR_LOOPBACK(&v6);
}

}  // namespace streamsift
