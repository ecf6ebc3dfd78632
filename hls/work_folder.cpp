#include "hls/work_folder.h"

#include "hls/internal.h"
#include "platform/atomic_file.h"

#include <cstdio>
#include <fstream>
#include <sstream>

namespace hls {

std::filesystem::path workFolderFor(const std::filesystem::path& target) {
    std::filesystem::path work = target;
    work += ".hls";
    return work;
}

namespace detail {
namespace {

constexpr const char* kManifestName = "manifest";
constexpr const char* kPartialSuffix = ".part";

// 64-bit FNV-1a.
class Fingerprint {
public:
    void add(std::string_view text) {
        for (unsigned char c : text) {
            hash_ ^= c;
            hash_ *= 0x100000001b3ULL;
        }
        hash_ ^= 0xff;  // field separator
        hash_ *= 0x100000001b3ULL;
    }
    void add(std::int64_t number) { add(std::to_string(number)); }
    std::string hex() const {
        char text[17];
        std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash_));
        return text;
    }

private:
    std::uint64_t hash_ = 0xcbf29ce484222325ULL;
};

std::string_view withoutQuery(std::string_view uri) {
    return uri.substr(0, uri.find_first_of("?#"));
}

std::string readSmallFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool isOurs(const std::filesystem::directory_entry& entry) {
    const std::string name = entry.path().filename().string();
    if (entry.is_directory())
        return name == "video" || name == "audio";
    return name == kManifestName || name.starts_with("joined-");
}

// Removes what an earlier download left in the work folder, and only that:
// the folder is named by the caller, and whatever else it holds is not ours.
Result emptyWorkFolder(const std::filesystem::path& work) {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(work, error)) {
        if (!isOurs(entry))
            continue;
        std::filesystem::remove_all(entry.path(), error);
        if (error)
            return systemFailure(error.value(), "cannot remove " + entry.path().string());
    }
    return {};
}

void removePartials(const std::filesystem::path& folder) {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error))
        if (entry.path().string().ends_with(kPartialSuffix))
            std::filesystem::remove(entry.path(), error);
}

}  // namespace

std::filesystem::path trackFolder(const std::filesystem::path& work, const Track& track) {
    return work / track.role;
}

std::filesystem::path piecePath(const std::filesystem::path& work, const Track& track,
                                const Piece& piece) {
    char name[40];
    if (piece.isInit)
        std::snprintf(name, sizeof name, "init-%zu.seg", piece.index);
    else
        std::snprintf(name, sizeof name, "%06zu.seg", piece.index);
    return trackFolder(work, track) / name;
}

std::filesystem::path partialPath(const std::filesystem::path& complete) {
    std::filesystem::path partial = complete;
    partial += kPartialSuffix;
    return partial;
}

std::filesystem::path joinedPath(const std::filesystem::path& work, const Track& track,
                                 std::string_view extension) {
    return work / ("joined-" + track.role + std::string(extension));
}

std::vector<Piece> allPieces(const std::vector<Track>& tracks) {
    std::vector<Piece> pieces;
    for (std::size_t t = 0; t < tracks.size(); ++t) {
        const MediaPlaylist& playlist = tracks[t].playlist;
        for (std::size_t i = 0; i < playlist.initSections.size(); ++i)
            pieces.push_back({t, true, i});
        for (std::size_t i = 0; i < playlist.segments.size(); ++i)
            pieces.push_back({t, false, i});
    }
    return pieces;
}

std::string manifestFor(const std::vector<Track>& tracks) {
    std::string text = "clipwright hls work folder 1\n";
    for (const Track& track : tracks) {
        Fingerprint fingerprint;
        const MediaPlaylist& playlist = track.playlist;
        for (const InitSection& init : playlist.initSections) {
            fingerprint.add(withoutQuery(init.uri));
            fingerprint.add(init.range.offset);
            fingerprint.add(init.range.length);
        }
        for (const Segment& segment : playlist.segments) {
            fingerprint.add(withoutQuery(segment.uri));
            fingerprint.add(segment.range.offset);
            fingerprint.add(segment.range.length);
            fingerprint.add(segment.init);
            fingerprint.add(segment.key >= 0 ? 1 : 0);
        }
        text += "track " + track.role + " " + std::to_string(playlist.initSections.size()) + " " +
                std::to_string(playlist.segments.size()) + " " + fingerprint.hex() + "\n";
    }
    return text;
}

Result removeWorkFolder(const std::filesystem::path& work) {
    if (Result emptied = emptyWorkFolder(work); !emptied.ok())
        return emptied;
    std::error_code error;
    std::filesystem::remove(work, error);  // kept when something else is in it
    return {};
}

Result prepareWorkFolder(const std::filesystem::path& work, const std::vector<Track>& tracks) {
    std::error_code error;
    std::filesystem::create_directories(work, error);
    if (error)
        return systemFailure(error.value(), "cannot make the work folder", work.string());
    const std::filesystem::path manifest = work / kManifestName;
    const std::string expected = manifestFor(tracks);
    // Pieces without a manifest that names these tracks belong to something
    // else, or to nothing known: they are never joined into this target.
    if (readSmallFile(manifest) != expected) {
        if (Result emptied = emptyWorkFolder(work); !emptied.ok()) {
            emptied.subject = work.string();
            return emptied;
        }
    }
    for (const Track& track : tracks) {
        const std::filesystem::path folder = trackFolder(work, track);
        std::filesystem::create_directories(folder, error);
        if (error)
            return systemFailure(error.value(), "cannot make " + folder.string(), work.string());
        removePartials(folder);
    }
    std::string message;
    if (readSmallFile(manifest) != expected &&
        !platform::writeFileAtomically(manifest, expected, &message))
        return systemFailure(errno, "cannot write the manifest", work.string());
    return {};
}

}  // namespace detail
}  // namespace hls
