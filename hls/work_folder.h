// The work folder of a download: where each segment and initialisation
// section lives, and the manifest that ties the folder to its tracks.
//
//   <target>.hls/manifest            which tracks the folder was made for
//   <target>.hls/<role>/000017.seg   segment 17 of the track, complete
//   <target>.hls/<role>/init-0.seg   initialisation section 0, complete
//   <target>.hls/<role>/*.part       a piece still arriving
//   <target>.hls/joined-<role>.ts    the track joined, while combine() runs
//
// Roles are "video" and "audio".
#pragma once

#include "hls/hls.h"

#include <filesystem>

namespace hls::detail {

// One piece to fetch: a segment or an initialisation section of a track.
struct Piece {
    std::size_t track = 0;
    bool isInit = false;
    std::size_t index = 0;  // into the track's segments or initSections
};

std::filesystem::path trackFolder(const std::filesystem::path& work, const Track& track);
std::filesystem::path piecePath(const std::filesystem::path& work, const Track& track,
                                const Piece& piece);
// Where a piece is written while it arrives.
std::filesystem::path partialPath(const std::filesystem::path& complete);

// Every piece of the tracks, initialisation sections of a track first.
std::vector<Piece> allPieces(const std::vector<Track>& tracks);

// Makes the folders of the tracks. A folder whose manifest names other
// tracks (another stream, another variant) is emptied first; pieces left
// half written by an earlier run are removed.
Result prepareWorkFolder(const std::filesystem::path& work, const std::vector<Track>& tracks);

// Removes the manifest, the track folders and joined files, then the
// folder itself unless something else is in it.
Result removeWorkFolder(const std::filesystem::path& work);

// Where combine() joins a track before the remux.
std::filesystem::path joinedPath(const std::filesystem::path& work, const Track& track,
                                 std::string_view extension);

// The manifest text for the tracks: their roles, piece counts and a
// fingerprint of the segments' paths and byte ranges (not the query
// strings, which often carry tokens that change from one load to the next).
std::string manifestFor(const std::vector<Track>& tracks);

}  // namespace hls::detail
