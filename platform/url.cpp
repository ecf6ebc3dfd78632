#include "url.h"

#include "text.h"

#include <curl/curl.h>

namespace platform {

std::string resolveUrl(std::string_view base, std::string_view reference) {
    reference = trimBlanks(reference);
    CURLU* url = curl_url();
    if (!url)
        return {};
    std::string result;
    const std::string baseText(base);
    const std::string referenceText(reference);
    // With a base in the handle, curl reads the next URL set as a reference
    // relative to it. Schemes curl does not know are kept as they are, and
    // blanks inside the reference (playlists written by hand have them) are
    // percent-encoded.
    const unsigned flags = CURLU_NON_SUPPORT_SCHEME | CURLU_ALLOW_SPACE | CURLU_URLENCODE;
    char* text = nullptr;
    // A base that is not absolute still lets an absolute reference through.
    curl_url_set(url, CURLUPART_URL, baseText.c_str(), CURLU_NON_SUPPORT_SCHEME);
    if (curl_url_set(url, CURLUPART_URL, referenceText.c_str(), flags) == CURLUE_OK &&
        curl_url_get(url, CURLUPART_URL, &text, 0) == CURLUE_OK) {
        result = text;
    }
    curl_free(text);
    curl_url_cleanup(url);
    return result;
}

}  // namespace platform
