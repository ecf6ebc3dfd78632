// The HLS playlist parser on arbitrary text: master and media playlists,
// their tags, attributes, byte ranges, keys and relative URIs.
#include "hls/hls.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

void check(bool holds) {
    if (!holds)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const hls::ParsedPlaylist parsed =
        hls::parsePlaylist(text, "http://fuzz.example/a/b/index.m3u8");
    if (!parsed.result.ok() || parsed.playlist.isMaster)
        return 0;
    const hls::MediaPlaylist& media = parsed.playlist.media;
    // Every index a segment holds points into its playlist's lists.
    for (const hls::Segment& segment : media.segments) {
        check(segment.key >= -1 && segment.key < static_cast<int>(media.keys.size()));
        check(segment.init >= -1 && segment.init < static_cast<int>(media.initSections.size()));
    }
    hls::checkDownloadable(media);
    media.duration();
    return 0;
}
