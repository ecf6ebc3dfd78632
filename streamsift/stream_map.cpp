#include "streamsift/stream_map.h"

#include "platform/text.h"

#include <algorithm>

namespace streamsift {
namespace {

constexpr std::string_view kMapName = "url_encoded_fmt_stream_map";
// The value starts after the name, its closing quote, the colon, a blank and
// the opening quote.
constexpr std::size_t kMapValueOffset = kMapName.size() + 4;
// The map ends at the comma that closes its string: `", "next_key"`.
constexpr std::string_view kMapEnd = ", \"";
constexpr std::string_view kEscapedAmpersand = "\\u0026";
constexpr std::string_view kEncodedAmpersand = "%26";
constexpr std::string_view kEncodedQuestionMark = "%3F";

// One way a parameter may be written in an entry, and where its value
// starts, counted from the start of the match.
struct SearchForm {
    std::string text;
    std::size_t valueOffset;
};

struct Parameter {
    std::string name;               // as written in the rebuilt URL
    std::vector<SearchForm> forms;  // tried in this order; the first found wins
};

// A parameter after "%26", "%3F" or "\u0026", or bare (anywhere in the entry,
// also inside a longer word). Its value starts right after the name.
Parameter standard(std::string name) {
    const std::size_t n = name.size();
    std::vector<SearchForm> forms = {
        {std::string(kEncodedAmpersand) + name, kEncodedAmpersand.size() + n},
        {std::string(kEncodedQuestionMark) + name, kEncodedQuestionMark.size() + n},
        {std::string(kEscapedAmpersand) + name, kEscapedAmpersand.size() + n},
        {name, n},
    };
    return {std::move(name), std::move(forms)};
}

// The parameters of the rebuilt URL, in the order they appear there.
const std::vector<Parameter>& parameterTable() {
    static const std::vector<Parameter> table = [] {
        std::vector<Parameter> t;
        for (const char* name : {"algorithm", "burst", "clen", "cp", "cpn", "dur", "expire",
                                 "factor", "fallback_host", "fexp", "gir", "id"})
            t.push_back(standard(name));
        // Only an address written "ip%3D" counts; its value keeps the "%3D".
        t.push_back({"ip", {{"%26ip%3D", 5}, {"%3Fip%3D", 5}, {"\\u0026ip%3D", 8}, {"ip%3D", 2}}});
        t.push_back(standard("ipbits"));
        // itag is not looked for after "%26": inside the URL the bare form
        // finds it, with its value starting at "%3D".
        t.push_back({"itag", {{"%3Fitag", 7}, {"\\u0026itag", 10}, {"itag", 4}}});
        t.push_back(standard("keepalive"));
        // Bare, the key counts only as "key1"; its value starts at the "1".
        Parameter key = standard("key");
        key.forms.back() = {"key1", 3};
        t.push_back(std::move(key));
        for (const char* name : {"lmt", "ms", "mt", "mv", "quality", "range", "ratebypass"})
            t.push_back(standard(name));
        // The signature is looked for as "sig", but its value is taken as if
        // the name were "signature", which is what the rebuilt URL calls it.
        const std::size_t signature = std::string_view("signature").size();
        t.push_back({"signature",
                     {{"%26sig", 3 + signature},
                      {"%3Fsig", 3 + signature},
                      {"\\u0026sig", 6 + signature},
                      {"sig", signature}}});
        for (const char* name : {"source", "sparams", "sver", "type", "upn", "pcm2fr"})
            t.push_back(standard(name));
        return t;
    }();
    return table;
}

// Where a value starting at `from` ends: at the nearest "%26", "\u0026" or
// "," (every entry ends in ","), or at the end of the text.
std::size_t valueEnd(std::string_view text, std::size_t from) {
    return std::min({text.find(kEncodedAmpersand, from), text.find(kEscapedAmpersand, from),
                     text.find(',', from), text.size()});
}

std::optional<std::string_view> findValue(std::string_view entry, const Parameter& parameter) {
    for (const SearchForm& form : parameter.forms) {
        const std::size_t match = entry.find(form.text);
        if (match == std::string_view::npos)
            continue;
        // A value that would start past the entry's end is empty.
        const std::size_t start = std::min(match + form.valueOffset, entry.size());
        return entry.substr(start, valueEnd(entry, start) - start);
    }
    return std::nullopt;
}

// The stream URL without its query: after "%3Furl=" (or "\u0026url=") up to
// the "%3F" that starts its query, or to the end of the URL's value when it
// has no query. Nullopt when the entry names no URL.
std::optional<std::string_view> baseUrl(std::string_view entry) {
    std::size_t start;
    if (std::size_t m = entry.find("%3Furl="); m != std::string_view::npos)
        start = m + 7;
    else if (m = entry.find("\\u0026url="); m != std::string_view::npos)
        start = m + 10;
    else
        return std::nullopt;
    const std::size_t end =
        std::min(entry.find(kEncodedQuestionMark, start), valueEnd(entry, start));
    return entry.substr(start, end - start);
}

std::string extensionForType(std::string_view type) {
    for (std::string_view kind : {"flv", "mp4", "webm", "3gpp"})
        if (type.find(kind) != std::string_view::npos)
            return "." + std::string(kind);
    return "";
}

// The type's first two "+" (blanks in "video/mp4; codecs=...") are written
// as blanks before the URL is decoded.
std::string withFirstPlusesAsBlanks(std::string_view value) {
    std::string out(value);
    std::size_t at = 0;
    for (int replaced = 0; replaced < 2 && (at = out.find('+', at)) != std::string::npos;
         ++replaced)
        out[at] = ' ';
    return out;
}

std::optional<Stream> decodeEntry(std::string_view entry) {
    const std::optional<std::string_view> base = baseUrl(entry);
    if (!base)
        return std::nullopt;
    Stream stream;
    std::string url = std::string(*base) + "?";
    const std::vector<Parameter>& table = parameterTable();
    for (const Parameter& parameter : table) {
        const std::optional<std::string_view> value = findValue(entry, parameter);
        if (!value)
            continue;
        url += parameter.name;
        if (parameter.name == "type") {
            url += withFirstPlusesAsBlanks(*value);
            stream.type = extensionForType(*value);
        } else {
            url += *value;
        }
        if (parameter.name == "quality")
            stream.quality = *value;
        if (&parameter != &table.back())
            url += '&';
    }
    stream.url = percentDecode(url);
    return stream;
}

}  // namespace

std::optional<std::string> pageTitle(std::string_view page) {
    constexpr std::string_view open = "<title>";
    const std::size_t openAt = page.find(open);
    if (openAt == std::string_view::npos)
        return std::nullopt;
    const std::size_t start = openAt + open.size();
    const std::size_t close = page.find("</title>", start);
    if (close == std::string_view::npos)
        return std::nullopt;
    return std::string(page.substr(start, close - start));
}

std::optional<std::vector<Stream>> decodeStreamMap(std::string_view page) {
    const std::size_t name = page.find(kMapName);
    if (name == std::string_view::npos)
        return std::nullopt;
    std::vector<Stream> streams;
    const std::size_t valueStart = std::min(name + kMapValueOffset, page.size());
    std::size_t comma = page.find(',', valueStart);
    if (comma == std::string_view::npos)
        return streams;
    // Searched from the first comma on, so that a map of one entry ends there.
    const std::size_t mapEnd = page.find(kMapEnd, comma);
    std::size_t entryStart = valueStart;
    while (comma != std::string_view::npos && comma <= mapEnd) {
        // An entry runs up to and including its comma; the last one stops
        // before the quote that closes the map's string, which belongs to
        // no value.
        std::size_t entryEnd = comma + 1;
        if (comma == mapEnd && comma > entryStart && page[comma - 1] == '"')
            entryEnd = comma - 1;
        std::optional<Stream> stream = decodeEntry(page.substr(entryStart, entryEnd - entryStart));
        if (!stream)
            break;
        streams.push_back(std::move(*stream));
        entryStart = comma + 1;
        comma = page.find(',', entryStart);
    }
    return streams;
}

std::string percentDecode(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '+') {
            out += ' ';
        } else if (c == '%' && i + 2 < text.size() && platform::hexDigitValue(text[i + 1]) >= 0 &&
                   platform::hexDigitValue(text[i + 2]) >= 0) {
            out += static_cast<char>(platform::hexDigitValue(text[i + 1]) * 16 +
                                     platform::hexDigitValue(text[i + 2]));
            i += 2;
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace streamsift
