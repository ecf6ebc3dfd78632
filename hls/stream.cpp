// Loading a stream: the master playlist, its variants, and the chosen
// variant's media playlists.
#include "hls/internal.h"

#include <cstdio>

namespace hls {
namespace {

namespace http = platform::http;

struct FetchedText {
    Result result;
    std::string text;
    std::string finalUrl;
};

FetchedText fetchPlaylistText(const std::string& url, const RequestOptions& options) {
    FetchedText fetched;
    http::Request request = detail::makeRequest(url, options);
    request.decodeContent = true;  // playlists are text and often compressed
    bool tooLarge = false;
    http::Callbacks callbacks;
    callbacks.onBody = [&](const char* data, std::size_t size) {
        if (fetched.text.size() + size > kMaxPlaylistBytes) {
            tooLarge = true;
            return false;
        }
        fetched.text.append(data, size);
        return true;
    };
    const http::Response response = http::fetch(request, callbacks);
    const std::string subject = "playlist " + url;
    if (tooLarge) {
        fetched.result = detail::failure(Failure::TooLarge, "a playlist over 64 MiB", subject);
        return fetched;
    }
    fetched.result = detail::fromResponse(response, subject);
    fetched.finalUrl = response.effectiveUrl.empty() ? url : response.effectiveUrl;
    return fetched;
}

ParsedPlaylist loadPlaylist(const std::string& url, const RequestOptions& options) {
    FetchedText fetched = fetchPlaylistText(url, options);
    if (!fetched.result.ok())
        return {std::move(fetched.result), {}};
    return parsePlaylist(fetched.text, fetched.finalUrl);
}

// A media playlist that can be downloaded, or the reason why not.
Result loadMediaPlaylist(const std::string& url, const RequestOptions& options,
                         MediaPlaylist& media) {
    ParsedPlaylist parsed = loadPlaylist(url, options);
    if (!parsed.result.ok())
        return parsed.result;
    if (parsed.playlist.isMaster)
        return detail::failure(Failure::BadPlaylist,
                               "a master playlist where a media playlist belongs",
                               "playlist " + url);
    media = std::move(parsed.playlist.media);
    return checkDownloadable(media);
}

std::string bitRateText(std::int64_t bitsPerSecond) {
    char text[32];
    if (bitsPerSecond >= 1000000)
        std::snprintf(text, sizeof text, "%.2f Mbit/s", static_cast<double>(bitsPerSecond) / 1e6);
    else
        std::snprintf(text, sizeof text, "%lld kbit/s",
                      static_cast<long long>((bitsPerSecond + 500) / 1000));
    return text;
}

std::string variantName(const Variant& variant, std::size_t index) {
    std::string name;
    if (variant.width > 0 && variant.height > 0)
        name = std::to_string(variant.width) + "x" + std::to_string(variant.height);
    if (variant.bandwidth > 0)
        name += (name.empty() ? "" : ", ") + bitRateText(variant.bandwidth);
    return name.empty() ? "variant " + std::to_string(index) : name;
}

std::vector<VariantInfo> describeVariants(const MasterPlaylist& master) {
    std::vector<VariantInfo> infos;
    for (std::size_t i = 0; i < master.variants.size(); ++i) {
        const Variant& variant = master.variants[i];
        VariantInfo info;
        info.name = variantName(variant, i);
        info.bandwidth = variant.bandwidth;
        info.width = variant.width;
        info.height = variant.height;
        info.codecs = variant.codecs;
        info.audioGroup = variant.audioGroup;
        infos.push_back(std::move(info));
    }
    return infos;
}

int bestVariant(const MasterPlaylist& master) {
    int best = 0;
    for (std::size_t i = 1; i < master.variants.size(); ++i)
        if (master.variants[i].bandwidth >
            master.variants[static_cast<std::size_t>(best)].bandwidth)
            best = static_cast<int>(i);
    return best;
}

// The audio rendition a player would pick for the variant: DEFAULT=YES in
// its group, else the first of the group. Null when the variant names no
// group or the group is unknown.
const Rendition* audioRenditionFor(const MasterPlaylist& master, const Variant& variant) {
    if (variant.audioGroup.empty())
        return nullptr;
    const Rendition* first = nullptr;
    for (const Rendition& rendition : master.renditions) {
        if (rendition.type != "AUDIO" || rendition.groupId != variant.audioGroup)
            continue;
        if (rendition.isDefault)
            return &rendition;
        if (!first)
            first = &rendition;
    }
    return first;
}

void estimateSizes(Stream& stream) {
    for (VariantInfo& info : stream.variants)
        info.estimatedBytes =
            static_cast<std::int64_t>(static_cast<double>(info.bandwidth) * stream.duration / 8);
}

}  // namespace

Stream loadStream(const std::string& url, int variant, const RequestOptions& options) {
    Stream stream;
    stream.url = url;
    ParsedPlaylist first = loadPlaylist(url, options);
    if (!first.result.ok()) {
        stream.result = std::move(first.result);
        return stream;
    }
    if (!first.playlist.isMaster) {
        stream.result = checkDownloadable(first.playlist.media);
        if (stream.result.ok()) {
            stream.duration = first.playlist.media.duration();
            stream.tracks.push_back({"video", std::move(first.playlist.media)});
        }
        return stream;
    }
    const MasterPlaylist& master = first.playlist.master;
    stream.variants = describeVariants(master);
    const auto count = static_cast<int>(master.variants.size());
    if (variant >= count || variant < -1) {
        stream.result = detail::failure(Failure::NoSuchVariant,
                                        "there is no variant " + std::to_string(variant) +
                                            " (the master playlist has " + std::to_string(count) +
                                            ", numbered from 0)",
                                        "playlist " + url);
        return stream;
    }
    stream.chosen = variant < 0 ? bestVariant(master) : variant;
    const Variant& chosen = master.variants[static_cast<std::size_t>(stream.chosen)];
    Track video{"video", {}};
    stream.result = loadMediaPlaylist(chosen.uri, options, video.playlist);
    if (!stream.result.ok())
        return stream;
    stream.duration = video.playlist.duration();
    stream.tracks.push_back(std::move(video));
    const Rendition* audio = audioRenditionFor(master, chosen);
    if (audio && !audio->uri.empty()) {
        Track track{"audio", {}};
        stream.result = loadMediaPlaylist(audio->uri, options, track.playlist);
        if (!stream.result.ok()) {
            stream.tracks.clear();
            return stream;
        }
        stream.tracks.push_back(std::move(track));
    }
    estimateSizes(stream);
    return stream;
}

}  // namespace hls
