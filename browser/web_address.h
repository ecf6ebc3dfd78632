// Turning what a user types (in the address bar or the add-a-site dialog)
// into an address the browser may load, and the one rule for which
// addresses it loads at all: http and https only.
#pragma once

#include <QString>
#include <QUrl>

namespace webaddress {

// Where the Home button and the start of the browser go.
inline constexpr const char* kHomeUrl = "https://www.youtube.com/";

enum class Verdict {
    Ignored,   // too short to be an address: nothing happens
    Refused,   // names a scheme other than http or https
    Loadable,  // `address` holds the address to load
};

struct Normalised {
    Verdict verdict = Verdict::Ignored;
    QString address;
};

// Normalises typed text (case-insensitive prefix tests, in this order):
// two characters or fewer are ignored; "//www..." gets "http:" in front,
// "www..." gets "http://", ".xxx" gets "http://www"; text that names the
// http or https scheme stays as typed, text that names another scheme
// ("file:", "javascript:", "ftp://") is refused, and text without a scheme
// gets "http://" in front. "host:8080/x" is a host with a port, not a
// scheme. Surrounding white space is dropped.
Normalised normalise(const QString& typed);

// True for absolute http and https addresses with a host.
bool isLoadable(const QUrl& url);

// True for http and https links whose path ends in the extension of a
// video, audio or playlist file (".mp4", ".flv", ".m3u8", ...): the browser
// hands such links to the download list instead of opening them.
bool isMediaFileLink(const QUrl& url);

// The message shown when an address is refused.
QString refusalMessage(const QString& typed);

}  // namespace webaddress
