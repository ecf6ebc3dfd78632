// Addresses: resolving a reference found in a document against the
// document's own address.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// Resolves `reference` (absolute, scheme-relative "//host/x", absolute-path
// "/x", or relative "x", "../x", "?q") against the absolute address `base`,
// as a browser does (RFC 3986, section 5). Surrounding blanks of the
// reference are ignored. Returns an empty string when the result is not a
// valid absolute address (a relative reference with a base that is not
// absolute, for one). Pure: no I/O.
std::string resolveUrl(std::string_view base, std::string_view reference);

}  // namespace platform
