// Decoding a watch page: its title and its "url_encoded_fmt_stream_map".
//
// The map lists, per stream, its URL and parameters in percent-encoded form
// inside the page's script. Entries are separated by ","; inside an entry
// parameters are separated by "%26" or by "\u0026" (the script's escape of
// "&", six characters in the page). Pure functions: no I/O.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace streamsift {

struct Stream {
    std::string url;      // the rebuilt, percent-decoded download URL
    std::string type;     // ".flv", ".mp4", ".webm", ".3gpp" or ""
    std::string quality;  // the quality value as found, leading "=" or "%3D" included
};

// The text between the first "<title>" and the "</title>" after it;
// nullopt when either is missing.
std::optional<std::string> pageTitle(std::string_view page);

// The streams of the page's map, in page order, up to the first entry
// without a URL. Nullopt when the page has no "url_encoded_fmt_stream_map".
std::optional<std::vector<Stream>> decodeStreamMap(std::string_view page);

// "+" becomes a blank and "%" with two hexadecimal digits becomes that
// byte; everything else is copied unchanged.
std::string percentDecode(std::string_view text);

}  // namespace streamsift
