// The playlist parser: RFC 8216 text to the playlist records of hls.h.
#include "hls/hls.h"
#include "hls/internal.h"
#include "platform/text.h"
#include "platform/url.h"

#include <charconv>
#include <cmath>
#include <optional>

namespace hls {
namespace {

using Attributes = std::vector<std::pair<std::string, std::string>>;

std::string_view trimmed(std::string_view text) {
    return platform::trimBlanks(text);
}

std::optional<std::int64_t> parseInteger(std::string_view text) {
    text = trimmed(text);
    std::int64_t value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < 0)
        return std::nullopt;
    return value;
}

std::optional<double> parseDecimal(std::string_view text) {
    text = trimmed(text);
    double value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value) ||
        value < 0)
        return std::nullopt;
    return value;
}

// An attribute list: NAME=VALUE pairs separated by commas, where a quoted
// value may itself hold commas (CODECS="avc1.64001f,mp4a.40.2"). Quotes are
// removed from quoted values.
Attributes parseAttributes(std::string_view text) {
    Attributes attributes;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && (text[i] == ' ' || text[i] == ','))
            ++i;
        const std::size_t equals = text.find('=', i);
        if (equals == std::string_view::npos)
            break;
        std::string name(trimmed(text.substr(i, equals - i)));
        i = equals + 1;
        std::string value;
        if (i < text.size() && text[i] == '"') {
            const std::size_t close = text.find('"', i + 1);
            const std::size_t end = close == std::string_view::npos ? text.size() : close;
            value = std::string(text.substr(i + 1, end - i - 1));
            i = end + 1;
            while (i < text.size() && text[i] != ',')
                ++i;
        } else {
            const std::size_t comma = text.find(',', i);
            const std::size_t end = comma == std::string_view::npos ? text.size() : comma;
            value = std::string(trimmed(text.substr(i, end - i)));
            i = end;
        }
        attributes.emplace_back(std::move(name), std::move(value));
    }
    return attributes;
}

const std::string* attribute(const Attributes& attributes, std::string_view name) {
    for (const auto& [key, value] : attributes)
        if (key == name)
            return &value;
    return nullptr;
}

std::string attributeOr(const Attributes& attributes, std::string_view name) {
    const std::string* value = attribute(attributes, name);
    return value ? *value : std::string();
}

// "n[@o]"; without "@o" the range continues where `previousEnd` says (or at
// 0 when nothing of the same resource came before).
std::optional<ByteRange> parseByteRange(std::string_view text, std::int64_t previousEnd) {
    const std::size_t at = text.find('@');
    const auto length = parseInteger(text.substr(0, at));
    if (!length)
        return std::nullopt;
    ByteRange range{previousEnd, *length};
    if (at != std::string_view::npos) {
        const auto offset = parseInteger(text.substr(at + 1));
        if (!offset)
            return std::nullopt;
        range.offset = *offset;
    }
    if (range.offset > INT64_MAX - range.length)
        return std::nullopt;
    return range;
}

// "0x" and up to 32 hexadecimal digits, right-aligned into 16 bytes.
std::optional<std::array<std::uint8_t, 16>> parseIv(std::string_view text) {
    if (text.size() < 3 || text[0] != '0' || (text[1] != 'x' && text[1] != 'X'))
        return std::nullopt;
    text.remove_prefix(2);
    if (text.size() > 32)
        return std::nullopt;
    std::array<std::uint8_t, 16> iv{};
    for (std::size_t i = 0; i < text.size(); ++i) {
        const int digit = platform::hexDigitValue(text[text.size() - 1 - i]);
        if (digit < 0)
            return std::nullopt;
        iv[15 - i / 2] |= static_cast<std::uint8_t>(i % 2 ? digit << 4 : digit);
    }
    return iv;
}

KeyMethod keyMethodOf(std::string_view name) {
    if (name == "NONE")
        return KeyMethod::None;
    if (name == "AES-128")
        return KeyMethod::Aes128;
    if (name == "SAMPLE-AES")
        return KeyMethod::SampleAes;
    return KeyMethod::Other;
}

bool usable(const Key& key) {
    const bool identity = key.keyFormat.empty() || key.keyFormat == "identity";
    return key.method == KeyMethod::None || (key.method == KeyMethod::Aes128 && identity);
}

Result refused(Failure failure, std::string detail) {
    return detail::failure(failure, std::move(detail));
}

// Reads one playlist; the state of the tags that apply to the next URI line
// is kept between lines.
class Parser {
public:
    explicit Parser(std::string_view url) : url_(url) { playlist_.media.url = std::string(url); }

    Result line(std::string_view text, std::size_t number);
    Result finish();
    Playlist take() { return std::move(playlist_); }

private:
    Result tag(std::string_view name, std::string_view value);
    Result uriLine(std::string_view text);
    Result keyTag(std::string_view value);
    Result mapTag(std::string_view value);
    Result streamInfTag(std::string_view value);
    void mediaTag(std::string_view value);
    std::optional<std::string> resolve(std::string_view reference) const;
    Result badUri(std::string_view reference) const {
        return refused(Failure::BadPlaylist,
                       "a URI that cannot be resolved: " + std::string(reference.substr(0, 200)));
    }

    std::string url_;
    Playlist playlist_;
    // Tags in force for the next segment.
    double pendingDuration_ = 0;
    bool pendingDiscontinuity_ = false;
    std::optional<std::string_view> pendingRange_;
    int currentKey_ = -1;
    int currentInit_ = -1;
    bool keyTagsSinceSegment_ = false;
    // Where the last segment of a resource ended, for ranges without "@o".
    std::string lastRangeUri_;
    std::int64_t lastRangeEnd_ = 0;
    // An EXT-X-STREAM-INF waiting for its URI line.
    std::optional<Variant> pendingVariant_;
    std::int64_t nextSequence_ = 0;
};

std::optional<std::string> Parser::resolve(std::string_view reference) const {
    std::string absolute = platform::resolveUrl(url_, reference);
    if (absolute.empty())
        return std::nullopt;
    return absolute;
}

Result Parser::line(std::string_view text, std::size_t number) {
    text = trimmed(text);
    if (number == 0) {
        if (text.starts_with("\xEF\xBB\xBF"))  // a byte-order mark some servers add
            text.remove_prefix(3);
        if (!text.starts_with("#EXTM3U"))
            return refused(Failure::NotPlaylist, "");
        return {};
    }
    if (text.empty())
        return {};
    if (!text.starts_with('#'))
        return uriLine(text);
    if (!text.starts_with("#EXT"))
        return {};  // a comment
    const std::size_t colon = text.find(':');
    const std::string_view name = text.substr(0, colon);
    const std::string_view value =
        colon == std::string_view::npos ? std::string_view() : text.substr(colon + 1);
    return tag(name, value);
}

Result Parser::tag(std::string_view name, std::string_view value) {
    MediaPlaylist& media = playlist_.media;
    if (name == "#EXTINF") {
        pendingDuration_ = parseDecimal(value.substr(0, value.find(','))).value_or(0);
    } else if (name == "#EXT-X-BYTERANGE") {
        pendingRange_ = value;
    } else if (name == "#EXT-X-DISCONTINUITY") {
        pendingDiscontinuity_ = true;
    } else if (name == "#EXT-X-KEY") {
        return keyTag(value);
    } else if (name == "#EXT-X-MAP") {
        return mapTag(value);
    } else if (name == "#EXT-X-TARGETDURATION") {
        media.targetDuration = parseDecimal(value).value_or(0);
    } else if (name == "#EXT-X-MEDIA-SEQUENCE") {
        const auto sequence = parseInteger(value);
        if (!sequence)
            return refused(Failure::BadPlaylist, "a bad EXT-X-MEDIA-SEQUENCE");
        if (media.segments.empty()) {
            media.mediaSequence = *sequence;
            nextSequence_ = *sequence;
        }
    } else if (name == "#EXT-X-ENDLIST") {
        media.endList = true;
    } else if (name == "#EXT-X-PLAYLIST-TYPE") {
        media.playlistType = std::string(trimmed(value));
    } else if (name == "#EXT-X-STREAM-INF") {
        return streamInfTag(value);
    } else if (name == "#EXT-X-MEDIA") {
        mediaTag(value);
    }
    return {};
}

Result Parser::keyTag(std::string_view value) {
    const Attributes attributes = parseAttributes(value);
    Key key;
    key.methodName = attributeOr(attributes, "METHOD");
    key.method = keyMethodOf(key.methodName);
    key.keyFormat = attributeOr(attributes, "KEYFORMAT");
    if (key.method != KeyMethod::None) {
        const std::string* uri = attribute(attributes, "URI");
        if (!uri && key.method == KeyMethod::Aes128)
            return refused(Failure::BadPlaylist, "an AES-128 key without URI");
        if (uri) {
            auto absolute = resolve(*uri);
            if (!absolute)
                return badUri(*uri);
            key.uri = std::move(*absolute);
        }
    }
    if (const std::string* iv = attribute(attributes, "IV")) {
        const auto bytes = parseIv(*iv);
        if (!bytes)
            return refused(Failure::BadPlaylist, "a bad IV: " + iv->substr(0, 40));
        key.iv = *bytes;
        key.hasIv = true;
    }
    // Several key tags in a row offer the same segments in different key
    // formats: keep one we can use.
    const bool currentUsable =
        currentKey_ < 0 || usable(playlist_.media.keys[static_cast<std::size_t>(currentKey_)]);
    if (keyTagsSinceSegment_ && currentUsable && !usable(key))
        return {};
    keyTagsSinceSegment_ = true;
    if (key.method == KeyMethod::None) {
        currentKey_ = -1;
        return {};
    }
    playlist_.media.keys.push_back(std::move(key));
    currentKey_ = static_cast<int>(playlist_.media.keys.size()) - 1;
    return {};
}

Result Parser::mapTag(std::string_view value) {
    const Attributes attributes = parseAttributes(value);
    const std::string* uri = attribute(attributes, "URI");
    if (!uri)
        return refused(Failure::BadPlaylist, "an EXT-X-MAP without URI");
    auto absolute = resolve(*uri);
    if (!absolute)
        return badUri(*uri);
    InitSection init;
    init.uri = std::move(*absolute);
    init.key = currentKey_;
    if (const std::string* range = attribute(attributes, "BYTERANGE")) {
        auto parsed = parseByteRange(*range, 0);
        if (!parsed)
            return refused(Failure::BadPlaylist, "a bad EXT-X-MAP byte range: " + *range);
        init.range = *parsed;
    }
    auto& sections = playlist_.media.initSections;
    for (std::size_t i = 0; i < sections.size(); ++i) {
        const InitSection& known = sections[i];
        if (known.uri == init.uri && known.range.offset == init.range.offset &&
            known.range.length == init.range.length && known.key == init.key) {
            currentInit_ = static_cast<int>(i);
            return {};
        }
    }
    sections.push_back(std::move(init));
    currentInit_ = static_cast<int>(sections.size()) - 1;
    return {};
}

Result Parser::streamInfTag(std::string_view value) {
    const Attributes attributes = parseAttributes(value);
    Variant variant;
    variant.bandwidth = parseInteger(attributeOr(attributes, "BANDWIDTH")).value_or(0);
    variant.averageBandwidth =
        parseInteger(attributeOr(attributes, "AVERAGE-BANDWIDTH")).value_or(0);
    variant.codecs = attributeOr(attributes, "CODECS");
    variant.audioGroup = attributeOr(attributes, "AUDIO");
    variant.frameRate = parseDecimal(attributeOr(attributes, "FRAME-RATE")).value_or(0);
    const std::string resolution = attributeOr(attributes, "RESOLUTION");
    if (const std::size_t x = resolution.find_first_of("xX"); x != std::string::npos) {
        const auto width = parseInteger(std::string_view(resolution).substr(0, x));
        const auto height = parseInteger(std::string_view(resolution).substr(x + 1));
        if (width && height && *width <= 100000 && *height <= 100000) {
            variant.width = static_cast<int>(*width);
            variant.height = static_cast<int>(*height);
        }
    }
    pendingVariant_ = std::move(variant);
    return {};
}

void Parser::mediaTag(std::string_view value) {
    const Attributes attributes = parseAttributes(value);
    Rendition rendition;
    rendition.type = attributeOr(attributes, "TYPE");
    rendition.groupId = attributeOr(attributes, "GROUP-ID");
    rendition.name = attributeOr(attributes, "NAME");
    rendition.language = attributeOr(attributes, "LANGUAGE");
    rendition.isDefault = attributeOr(attributes, "DEFAULT") == "YES";
    rendition.autoSelect = attributeOr(attributes, "AUTOSELECT") == "YES";
    if (const std::string* uri = attribute(attributes, "URI"))
        rendition.uri = resolve(*uri).value_or(std::string());
    playlist_.master.renditions.push_back(std::move(rendition));
}

Result Parser::uriLine(std::string_view text) {
    auto absolute = resolve(text);
    if (!absolute)
        return badUri(text);
    if (pendingVariant_) {
        pendingVariant_->uri = std::move(*absolute);
        playlist_.master.variants.push_back(std::move(*pendingVariant_));
        pendingVariant_.reset();
        return {};
    }
    MediaPlaylist& media = playlist_.media;
    if (media.segments.size() >= kMaxSegments)
        return refused(Failure::TooLarge,
                       "a playlist with over " + std::to_string(kMaxSegments) + " segments");
    Segment segment;
    segment.uri = std::move(*absolute);
    segment.duration = pendingDuration_;
    segment.sequence = nextSequence_++;
    segment.discontinuity = pendingDiscontinuity_;
    segment.key = currentKey_;
    segment.init = currentInit_;
    if (pendingRange_) {
        const std::int64_t continued = segment.uri == lastRangeUri_ ? lastRangeEnd_ : 0;
        auto range = parseByteRange(*pendingRange_, continued);
        if (!range)
            return refused(Failure::BadPlaylist,
                           "a bad EXT-X-BYTERANGE: " + std::string(pendingRange_->substr(0, 40)));
        segment.range = *range;
        lastRangeUri_ = segment.uri;
        lastRangeEnd_ = range->offset + range->length;
    }
    media.segments.push_back(std::move(segment));
    pendingDuration_ = 0;
    pendingDiscontinuity_ = false;
    pendingRange_.reset();
    keyTagsSinceSegment_ = false;
    return {};
}

Result Parser::finish() {
    const bool hasVariants = !playlist_.master.variants.empty();
    playlist_.isMaster = hasVariants;
    if (!hasVariants && playlist_.media.segments.empty() && !playlist_.master.renditions.empty())
        return refused(Failure::BadPlaylist, "a master playlist without variants");
    return {};
}

}  // namespace

double MediaPlaylist::duration() const {
    double total = 0;
    for (const Segment& segment : segments)
        total += segment.duration;
    return total;
}

ParsedPlaylist parsePlaylist(std::string_view text, std::string_view url) {
    ParsedPlaylist parsed;
    const std::string subject = "playlist " + std::string(url);
    if (text.size() > kMaxPlaylistBytes) {
        parsed.result = refused(Failure::TooLarge, "a playlist over 64 MiB");
        parsed.result.subject = subject;
        return parsed;
    }
    Parser parser(url);
    std::size_t number = 0;
    for (std::size_t start = 0; start <= text.size(); ++number) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        Result result = parser.line(text.substr(start, end - start), number);
        if (!result.ok()) {
            parsed.result = std::move(result);
            parsed.result.subject = subject;
            return parsed;
        }
        start = end + 1;
    }
    parsed.result = parser.finish();
    if (!parsed.result.ok())
        parsed.result.subject = subject;
    parsed.playlist = parser.take();
    return parsed;
}

Result checkDownloadable(const MediaPlaylist& playlist) {
    Result result;
    if (playlist.segments.empty()) {
        result = refused(Failure::BadPlaylist, "a media playlist without segments");
    } else if (!playlist.endList) {
        result = refused(Failure::Live, "");
    } else {
        // Only the keys that some segment or section uses count: a key tag
        // in a format we cannot use may stand beside one we can.
        std::vector<bool> used(playlist.keys.size(), false);
        for (const Segment& segment : playlist.segments)
            if (segment.key >= 0)
                used[static_cast<std::size_t>(segment.key)] = true;
        for (const InitSection& init : playlist.initSections)
            if (init.key >= 0)
                used[static_cast<std::size_t>(init.key)] = true;
        for (std::size_t i = 0; i < playlist.keys.size() && result.ok(); ++i) {
            const Key& key = playlist.keys[i];
            if (!used[i])
                continue;
            if (key.method != KeyMethod::Aes128)
                result = refused(Failure::KeyMethod, "encryption method " + key.methodName);
            else if (!usable(key))
                result = refused(Failure::KeyMethod, "key format " + key.keyFormat);
        }
    }
    if (!result.ok())
        result.subject = "playlist " + playlist.url;
    return result;
}

}  // namespace hls
