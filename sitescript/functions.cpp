#include "sitescript/functions.h"

#include "platform/text.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <limits>
#include <map>
#include <utility>

namespace sitescript {
namespace {

struct Entity {
    const char16_t* name;
    char16_t character;
};

// The five markup entities, then HTML 4's names for the characters 160-255.
constexpr Entity kEntityTable[] = {
    {u"&quot;", 34},    {u"&amp;", 38},     {u"&apos;", 39},    {u"&lt;", 60},
    {u"&gt;", 62},      {u"&nbsp;", 160},   {u"&iexcl;", 161},  {u"&cent;", 162},
    {u"&pound;", 163},  {u"&curren;", 164}, {u"&yen;", 165},    {u"&brvbar;", 166},
    {u"&sect;", 167},   {u"&uml;", 168},    {u"&copy;", 169},   {u"&ordf;", 170},
    {u"&laquo;", 171},  {u"&not;", 172},    {u"&shy;", 173},    {u"&reg;", 174},
    {u"&macr;", 175},   {u"&deg;", 176},    {u"&plusmn;", 177}, {u"&sup2;", 178},
    {u"&sup3;", 179},   {u"&acute;", 180},  {u"&micro;", 181},  {u"&para;", 182},
    {u"&middot;", 183}, {u"&cedil;", 184},  {u"&sup1;", 185},   {u"&ordm;", 186},
    {u"&raquo;", 187},  {u"&frac14;", 188}, {u"&frac12;", 189}, {u"&frac34;", 190},
    {u"&iquest;", 191}, {u"&Agrave;", 192}, {u"&Aacute;", 193}, {u"&Acirc;", 194},
    {u"&Atilde;", 195}, {u"&Auml;", 196},   {u"&Aring;", 197},  {u"&AElig;", 198},
    {u"&Ccedil;", 199}, {u"&Egrave;", 200}, {u"&Eacute;", 201}, {u"&Ecirc;", 202},
    {u"&Euml;", 203},   {u"&Igrave;", 204}, {u"&Iacute;", 205}, {u"&Icirc;", 206},
    {u"&Iuml;", 207},   {u"&ETH;", 208},    {u"&Ntilde;", 209}, {u"&Ograve;", 210},
    {u"&Oacute;", 211}, {u"&Ocirc;", 212},  {u"&Otilde;", 213}, {u"&Ouml;", 214},
    {u"&times;", 215},  {u"&Oslash;", 216}, {u"&Ugrave;", 217}, {u"&Uacute;", 218},
    {u"&Ucirc;", 219},  {u"&Uuml;", 220},   {u"&Yacute;", 221}, {u"&THORN;", 222},
    {u"&szlig;", 223},  {u"&agrave;", 224}, {u"&aacute;", 225}, {u"&acirc;", 226},
    {u"&atilde;", 227}, {u"&auml;", 228},   {u"&aring;", 229},  {u"&aelig;", 230},
    {u"&ccedil;", 231}, {u"&egrave;", 232}, {u"&eacute;", 233}, {u"&ecirc;", 234},
    {u"&euml;", 235},   {u"&igrave;", 236}, {u"&iacute;", 237}, {u"&icirc;", 238},
    {u"&iuml;", 239},   {u"&eth;", 240},    {u"&ntilde;", 241}, {u"&ograve;", 242},
    {u"&oacute;", 243}, {u"&ocirc;", 244},  {u"&otilde;", 245}, {u"&ouml;", 246},
    {u"&divide;", 247}, {u"&oslash;", 248}, {u"&ugrave;", 249}, {u"&uacute;", 250},
    {u"&ucirc;", 251},  {u"&uuml;", 252},   {u"&yacute;", 253}, {u"&thorn;", 254},
    {u"&yuml;", 255},
};
static_assert(std::size(kEntityTable) == 101);

constexpr std::u16string_view kFileIdAlphabet =
    u"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ/\\:._-1234567890";

// Decodes %XX escapes of the narrow text; nullopt on a '%' without two
// hexadecimal digits after it.
std::optional<std::string> percentDecode(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        if (i + 2 >= text.size())
            return std::nullopt;
        const int high = platform::hexDigitValue(text[i + 1]);
        const int low = platform::hexDigitValue(text[i + 2]);
        if (high < 0 || low < 0)
            return std::nullopt;
        out += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return out;
}

int lowerHexDigitValue(char16_t c) {
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    return -1;
}

// The smallest code, `from` or above, of a JSUDCD escape ("\u00" and two
// lower-case hexadecimal digits) in the text: one scan instead of one search
// per code.
std::optional<int> nextEscapeCode(std::u16string_view text, int from) {
    constexpr std::u16string_view kEscape = u"\\u00";
    int best = 0x100;
    for (std::size_t at = text.find(kEscape); at != std::u16string_view::npos;
         at = text.find(kEscape, at + 1)) {
        if (at + kEscape.size() + 2 > text.size())
            break;
        const int high = lowerHexDigitValue(text[at + 4]), low = lowerHexDigitValue(text[at + 5]);
        const int code = high * 16 + low;
        if (high >= 0 && low >= 0 && code >= from && code < best)
            best = code;
    }
    return best <= 0xff ? std::optional<int>(best) : std::nullopt;
}

std::u16string trimBlanks(std::u16string_view text) {
    std::size_t first = 0, last = text.size();
    while (first < last && text[first] <= u' ')
        ++first;
    while (last > first && text[last - 1] <= u' ')
        --last;
    return std::u16string(text.substr(first, last - first));
}

// Splits the text into tokens at single delimiter characters: a token runs
// to the next delimiter, and the position moves past that one delimiter. A
// text made only of delimiters is its own single token.
std::vector<std::u16string> tokenize(std::u16string_view text, std::u16string_view delimiters) {
    if (text.find_first_not_of(delimiters) == std::u16string_view::npos)
        return text.empty() ? std::vector<std::u16string>{}
                            : std::vector<std::u16string>{std::u16string(text)};
    std::vector<std::u16string> tokens;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find_first_of(delimiters, pos);
        if (end == std::u16string_view::npos)
            end = text.size();
        tokens.emplace_back(text.substr(pos, end - pos));
        pos = end + 1;
    }
    return tokens;
}

// The preference lists of GETYOUTUBEQ, by number of pairs.
std::vector<std::u16string_view> qualityPreferences(std::size_t pairs) {
    switch (pairs) {
        case 1:
            return {u"17", u"5"};
        case 4:
            return {u"35", u"34", u"18", u"5"};
        case 5:
            return {u"22", u"35", u"34", u"18", u"5"};
        case 6:
            return {u"38", u"37", u"22", u"35", u"34", u"18"};
        case 7:
            return {u"37", u"22", u"35", u"34", u"18", u"5"};
        case 8:
            return {u"34", u"18", u"5"};
        case 9:
            return {u"18"};
        default:
            return {};
    }
}

std::u16string mixedAlphabet(std::int32_t seed) {
    std::u16string source(kFileIdAlphabet);
    std::u16string mixed;
    for (std::size_t round = 0; round < kFileIdAlphabet.size(); ++round) {
        const auto product = static_cast<std::uint32_t>(seed) * 211u + 30031u;
        seed = static_cast<std::int32_t>(product) % 65536;
        const double remaining = static_cast<double>(source.size());
        const auto i = static_cast<std::int64_t>(seed / 65536.0 * remaining);
        if (i < 0 || i >= static_cast<std::int64_t>(source.size()))
            break;
        mixed += source[static_cast<std::size_t>(i)];
        source.erase(static_cast<std::size_t>(i), 1);
    }
    return mixed;
}

}  // namespace

std::u16string replaceText(std::u16string_view text, std::u16string_view from,
                           std::u16string_view to) {
    if (from.empty())
        return std::u16string(text);
    std::u16string out;
    std::size_t pos = 0;
    for (std::size_t hit; (hit = text.find(from, pos)) != std::u16string_view::npos;
         pos = hit + from.size()) {
        out.append(text.substr(pos, hit - pos));
        out.append(to);
    }
    out.append(text.substr(pos));
    return out;
}

std::size_t replacedLength(std::u16string_view text, std::u16string_view from,
                           std::size_t toLength) {
    if (from.empty())
        return text.size();
    std::size_t length = text.size();
    for (std::size_t hit = 0; (hit = text.find(from, hit)) != std::u16string_view::npos;
         hit += from.size())
        length = length - from.size() + toLength;
    return length;
}

std::u16string asciiLower(std::u16string_view text) {
    std::u16string out(text);
    for (char16_t& c : out)
        if (c >= u'A' && c <= u'Z')
            c = static_cast<char16_t>(c - u'A' + u'a');
    return out;
}

std::optional<Value> substr(SubstrMode mode, const Value& text, const Value& start,
                            const Value& end) {
    if (!text || !start)
        return Value{};
    const std::u16string& t = *text;
    if (mode == SubstrMode::Positions) {
        if (!end)
            return Value{};
        const std::int64_t s = readNumber(*start), e = readNumber(*end);
        if (e < s)
            return std::nullopt;
        if (s < 0 || s >= static_cast<std::int64_t>(t.size()))
            return Value{};
        const auto count = static_cast<std::size_t>(e == s ? 1 : e - s);
        return Value{t.substr(static_cast<std::size_t>(s), count)};
    }
    std::size_t p;
    if (mode == SubstrMode::FirstOccurrence) {
        const std::size_t hit = t.find(*start);
        if (hit == std::u16string::npos)
            return Value{};
        p = hit + start->size();
    } else {
        const std::size_t hit = t.rfind(*start);
        p = (hit == std::u16string::npos ? 0 : hit) + start->size();
    }
    const std::size_t q = end && p <= t.size() ? t.find(*end, p) : std::u16string::npos;
    if (q == std::u16string::npos)
        return p < t.size() ? Value{t.substr(p)} : Value{};
    return q > p ? Value{t.substr(p, q - p)} : Value{};
}

Value replaceAll(const Value& text, const Value& from, const Value& to) {
    if (!text)
        return {};
    if (!from)
        return text;
    return replaceText(*text, *from, to ? std::u16string_view(*to) : std::u16string_view());
}

Value addStrings(const Value& a, const Value& b) {
    if (!a)
        return b;
    if (!b)
        return a;
    return *a + *b;
}

Value urlDecode(const Value& text) {
    if (!text)
        return {};
    std::optional<std::string> bytes = percentDecode(platform::utf16ToAnsi(*text));
    if (!bytes)
        return {};
    return platform::ansiToUtf16(*bytes);
}

Value hexLiteral(std::u16string_view argument) {
    std::u16string text(argument);
    if (const std::size_t open = text.find(u'"'); open != std::u16string::npos) {
        const std::size_t close = text.find(u'"', open + 1);
        text = trimBlanks(std::u16string_view(text).substr(
            open + 1, close == std::u16string::npos ? std::u16string::npos : close - open - 1));
    }
    if (!contains(text, u"%00"))
        for (char16_t& c : text)
            if (c == u'+')
                c = u' ';
    return urlDecode(text);
}

Value jsUnicodeDecode(const Value& text) {
    if (!text)
        return {};
    std::u16string out = *text;
    // Each pass replaces \u0020 to \u00ff in code order; a decoded backslash
    // may form a new escape, so passes repeat while they change something.
    // Every replacement shortens the text, so this ends; escapes that no
    // code matches stay as they are.
    for (bool changed = true; changed;) {
        changed = false;
        for (std::optional<int> code = nextEscapeCode(out, 0x20); code;
             code = nextEscapeCode(out, *code + 1)) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u00%02x", *code);
            out = replaceText(out, toU16(escape), std::u16string(1, static_cast<char16_t>(*code)));
            changed = true;
        }
    }
    return out;
}

Value pageTitle(const Value& html) {
    if (!html)
        return {};
    std::size_t start = html->find(u"<title>");
    if (start == std::u16string::npos)
        start = html->find(u"<TITLE>");
    if (start == std::u16string::npos)
        return {};
    start += 7;
    std::size_t end = html->find(u"</title>", start);
    if (end == std::u16string::npos)
        end = html->find(u"</TITLE>", start);
    if (end == std::u16string::npos)
        return {};
    return html->substr(start, end - start);
}

Value findString(const Value& haystack, const Value& needle) {
    if (!haystack)
        return u"-1";
    if (!needle)
        return {};
    return contains(*haystack, *needle) ? Value{} : Value{u"-1"};
}

Value tokenFromArray(const Value& text, const Value& delimiters, const Value& n) {
    if (!text || !delimiters || !n)
        return {};
    const std::vector<std::u16string> tokens = tokenize(*text, *delimiters);
    const std::int64_t index = std::max<std::int64_t>(readNumber(*n), 1);
    if (index > static_cast<std::int64_t>(tokens.size()))
        return {};
    return tokens[static_cast<std::size_t>(index - 1)];
}

std::u16string htmlDecode(std::u16string text) {
    for (const Entity& entity : kEntityTable)
        if (contains(text, entity.name))
            text = replaceText(text, entity.name, std::u16string(1, entity.character));
    return text;
}

Value htmlDecode(const Value& text) {
    if (!text)
        return {};
    return htmlDecode(*text);
}

Value preferredQuality(const Value& list) {
    if (!list)
        return {};
    const std::vector<std::u16string> tokens = tokenize(*list, u"|,");
    std::map<std::u16string, std::u16string> pairs;
    std::size_t count = 0;
    for (std::size_t i = 0; i + 1 < tokens.size(); i += 2, ++count)
        pairs[tokens[i]] = tokens[i + 1];
    const std::vector<std::u16string_view> keys = qualityPreferences(count);
    for (std::u16string_view key : keys) {
        auto it = pairs.find(std::u16string(key));
        if (it != pairs.end() && !it->second.empty())
            return it->second;
    }
    if (!keys.empty())
        if (auto it = pairs.find(std::u16string(keys.back())); it != pairs.end())
            return it->second;
    return {};
}

Value fileIdFromSeed(const Value& fileId, const Value& seed) {
    if (!fileId || !seed)
        return {};
    // The seed is a 32-bit number: larger values saturate as a 32-bit
    // wcstol would.
    const std::int64_t wide = readNumber(*seed);
    const auto narrow =
        static_cast<std::int32_t>(std::clamp<std::int64_t>(wide, INT32_MIN, INT32_MAX));
    const std::u16string mixed = mixedAlphabet(narrow);
    std::u16string out;
    std::size_t pos = 0;
    while (true) {
        const std::size_t star = fileId->find(u'*', pos);
        const std::int64_t k = readNumber(std::u16string_view(*fileId).substr(
            pos, star == std::u16string::npos ? std::u16string::npos : star - pos));
        if (k >= 0 && k < static_cast<std::int64_t>(mixed.size()))
            out += mixed[static_cast<std::size_t>(k)];
        if (star == std::u16string::npos)
            break;
        pos = star + 1;
    }
    return out;
}

namespace {

// The pseudo-random numbers of GENSID: 0 to 32767, from a generator that
// is never seeded, so that the part it gives keeps its four digits (the C
// library's rand runs to 2^31 - 1 here). This is the portable generator the
// C standard gives as its example, with its state shared by every thread.
int nextRandom15() {
    static std::atomic<std::uint32_t> state{1};
    std::uint32_t current = state.load(std::memory_order_relaxed);
    std::uint32_t next;
    do
        next = current * 1103515245u + 12345u;
    while (!state.compare_exchange_weak(current, next, std::memory_order_relaxed));
    return static_cast<int>(next / 65536u % 32768u);
}

}  // namespace

Value sessionId() {
    using namespace std::chrono;
    const auto now = system_clock::now();
    const auto seconds = static_cast<std::int32_t>(std::time(nullptr));
    const auto millis = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
    const double r = nextRandom15();
    const auto tail = static_cast<std::int64_t>(std::ceil(r / 32767.0 * 9000.0 + 1000.0));
    return decimal(seconds) + u"000" + decimal(millis + 1000) + decimal(tail);
}

Value partNumber(const Value& text) {
    if (text && text->size() == 1)
        return u"0" + *text;
    return text;
}

Value formatFileId(const Value& fileId, const Value& number) {
    if (!fileId || !number || fileId->size() < 10)
        return {};
    char hex[16];
    std::snprintf(hex, sizeof hex, "%02X", static_cast<std::uint32_t>(readNumber(*number)));
    return fileId->substr(0, 8) + toU16(hex) + fileId->substr(10);
}

Value increment(const Value& text) {
    if (!text)
        return {};
    // Numbers saturate when read; the largest one stays where it is.
    const std::int64_t n = readNumber(*text);
    return decimal(n == std::numeric_limits<std::int64_t>::max() ? n : n + 1);
}

Value lengthOf(const Value& text) {
    if (!text)
        return {};
    return decimal(static_cast<std::int64_t>(text->size()));
}

Value reversed(const Value& text) {
    if (!text)
        return {};
    std::u16string out(text->rbegin(), text->rend());
    // Keep surrogate pairs in their order so that the text stays valid.
    for (std::size_t i = 0; i + 1 < out.size(); ++i) {
        if (out[i] >= 0xDC00 && out[i] <= 0xDFFF && out[i + 1] >= 0xD800 && out[i + 1] <= 0xDBFF) {
            std::swap(out[i], out[i + 1]);
            ++i;
        }
    }
    return out;
}

Value digitDirectories(const Value& number) {
    if (!number)
        return {};
    const std::int64_t n = readNumber(*number);
    return decimal(n / 100 % 10) + u"/" + decimal(n / 10 % 10) + u"/" + decimal(n % 10) + u"/";
}

Value idDirectories(const Value& number) {
    if (!number)
        return {};
    const std::int64_t n = readNumber(*number);
    return u"/n1=" + decimal(n / 1000000 % 100) + u"/n2=" + decimal(n / 10000 % 100) + u"/n3=" +
           decimal(n / 100 % 100) + u"/n4=" + decimal(n % 100);
}

}  // namespace sitescript
