// Which host a request connects to, and the URL surgery that needs.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace streamsift {

// The service's web host: every page request goes there, on port 80.
inline constexpr std::string_view kServiceHost = "www.youtube.com";

// The value of STREAMSIFT_HOST ("host" or "host:port"), which replaces the
// host and port of every request; empty when unset. Read on every call.
std::string hostOverride();

// The path and query of an http or https URL (what follows its host and
// port), "/" when there is none; the fragment, which never travels, is
// dropped. Nullopt for a URL of another scheme.
std::optional<std::string> pathAndQuery(std::string_view url);

// `url` with its host and port (user information included) replaced by
// `authority`. A URL without "scheme://" is returned unchanged.
std::string withAuthority(std::string_view url, std::string_view authority);

// True when the host of `authority` ("host", "host:port", "[v6]:port") is
// "localhost" or a loopback address: reaching it needs no network.
bool isLoopbackAuthority(std::string_view authority);

}  // namespace streamsift
