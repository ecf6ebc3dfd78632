// Combining: each track's pieces joined into one file, then remuxed into
// the target by the ffmpeg program.
#include "hls/internal.h"
#include "hls/work_folder.h"
#include "platform/file_io.h"
#include "platform/process.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>

namespace hls {
namespace {

using detail::Piece;

// What a joined track holds, from its first bytes.
enum class Container { MpegTs, Adts, Mp4, Other };

// The stream types of an MPEG-TS program map (ISO/IEC 13818-1, 2.4.4.8)
// that are audio, and the one that is AAC in ADTS.
constexpr int kStreamTypeAdtsAac = 0x0F;
bool isAudioStreamType(int type) {
    return type == 0x03 || type == 0x04 || type == 0x0F || type == 0x11 || type == 0x81 ||
           type == 0x87;
}

constexpr std::size_t kTsPacket = 188;
constexpr std::size_t kHeadBytes = 256 * kTsPacket;

std::string readHead(const std::filesystem::path& path) {
    std::string head(kHeadBytes, '\0');
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return {};
    std::size_t filled = 0;
    while (filled < head.size()) {
        const ssize_t n = ::read(fd, head.data() + filled, head.size() - filled);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        filled += static_cast<std::size_t>(n);
    }
    ::close(fd);
    head.resize(filled);
    return head;
}

unsigned byteAt(std::string_view data, std::size_t i) {
    return i < data.size() ? static_cast<unsigned char>(data[i]) : 0u;
}

Container containerOf(std::string_view head) {
    if (head.size() >= 8 && (head.substr(4, 4) == "ftyp" || head.substr(4, 4) == "styp" ||
                             head.substr(4, 4) == "moof" || head.substr(4, 4) == "moov"))
        return Container::Mp4;
    if (byteAt(head, 0) == 0x47 && (head.size() <= kTsPacket || byteAt(head, kTsPacket) == 0x47))
        return Container::MpegTs;
    // Packed audio: an ID3 tag with the timestamp, or ADTS frames at once.
    if (head.starts_with("ID3") || (byteAt(head, 0) == 0xFF && (byteAt(head, 1) & 0xF6) == 0xF0))
        return Container::Adts;
    return Container::Other;
}

// The payload of a TS packet that starts a section, after its pointer field.
std::string_view sectionOf(std::string_view packet) {
    if (packet.size() < kTsPacket || !(byteAt(packet, 1) & 0x40))
        return {};
    std::size_t at = 4;
    const unsigned adaptation = (byteAt(packet, 3) >> 4) & 0x3;
    if (adaptation == 2)
        return {};
    if (adaptation == 3)
        at += 1 + byteAt(packet, 4);
    at += 1 + byteAt(packet, at);  // pointer field
    return at < kTsPacket ? packet.substr(at) : std::string_view();
}

// The stream types of the first program map in the head of an MPEG-TS file.
std::vector<int> tsStreamTypes(std::string_view head) {
    int mapPid = -1;
    for (std::size_t at = 0; at + kTsPacket <= head.size(); at += kTsPacket) {
        const std::string_view packet = head.substr(at, kTsPacket);
        if (byteAt(packet, 0) != 0x47)
            break;
        const int pid = static_cast<int>(((byteAt(packet, 1) & 0x1F) << 8) | byteAt(packet, 2));
        const std::string_view section = sectionOf(packet);
        if (section.size() < 12)
            continue;
        const std::size_t length = ((byteAt(section, 1) & 0x0F) << 8) | byteAt(section, 2);
        const std::size_t end = std::min(section.size(), 3 + length) - 4;  // CRC
        if (pid == 0 && byteAt(section, 0) == 0x00) {
            for (std::size_t entry = 8; entry + 4 <= end; entry += 4) {
                const unsigned program = (byteAt(section, entry) << 8) | byteAt(section, entry + 1);
                if (program != 0) {
                    mapPid = static_cast<int>(((byteAt(section, entry + 2) & 0x1F) << 8) |
                                              byteAt(section, entry + 3));
                    break;
                }
            }
        } else if (pid == mapPid && byteAt(section, 0) == 0x02) {
            std::vector<int> types;
            const std::size_t infoLength =
                ((byteAt(section, 10) & 0x0F) << 8) | byteAt(section, 11);
            for (std::size_t entry = 12 + infoLength; entry + 5 <= end;) {
                types.push_back(static_cast<int>(byteAt(section, entry)));
                const std::size_t esInfo =
                    ((byteAt(section, entry + 3) & 0x0F) << 8) | byteAt(section, entry + 4);
                entry += 5 + esInfo;
            }
            return types;
        }
    }
    return {};
}

// Whether the audio of a joined track is AAC in ADTS frames, which MP4
// keeps with its configuration instead: the AAC bit-stream filter.
bool audioNeedsAdtsFilter(Container container, std::string_view head) {
    if (container == Container::Adts)
        return true;
    if (container != Container::MpegTs)
        return false;
    bool anyAudio = false;
    for (int type : tsStreamTypes(head)) {
        if (!isAudioStreamType(type))
            continue;
        if (type != kStreamTypeAdtsAac)
            return false;
        anyAudio = true;
    }
    return anyAudio;
}

const char* extensionOf(Container container) {
    switch (container) {
        case Container::MpegTs:
            return ".ts";
        case Container::Adts:
            return ".aac";
        case Container::Mp4:
            return ".mp4";
        case Container::Other:
            break;
    }
    return ".bin";
}

struct JoinedTrack {
    std::filesystem::path path;
    Container container = Container::Other;
    std::string head;
};

// Appends one complete piece at the end of the joined file.
Result appendPiece(int fd, std::int64_t& offset, const std::filesystem::path& piece) {
    const int in = ::open(piece.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat info;
    if (in < 0 || ::fstat(in, &info) != 0) {
        const int error = errno;
        if (in >= 0)
            ::close(in);
        return error == ENOENT
                   ? detail::failure(Failure::Incomplete, piece.string() + " is missing")
                   : detail::systemFailure(error, "cannot read " + piece.string());
    }
    const std::int64_t copied = platform::copyFileBytes(in, fd, offset, info.st_size);
    const int error = errno;
    ::close(in);
    if (copied != info.st_size)
        return detail::systemFailure(copied < 0 ? error : EIO, "cannot join " + piece.string());
    offset += copied;
    return {};
}

// The track's pieces in playlist order, each initialisation section before
// the first segment that uses it, into one file.
Result joinTrack(const std::filesystem::path& work, const Track& track, JoinedTrack& joined) {
    const MediaPlaylist& playlist = track.playlist;
    const auto pathOf = [&](bool isInit, std::size_t index) {
        return detail::piecePath(work, track, Piece{0, isInit, index});
    };
    for (std::size_t i = 0; i < playlist.segments.size(); ++i) {
        if (::access(pathOf(false, i).c_str(), F_OK) != 0)
            return detail::failure(Failure::Incomplete, "segment " + std::to_string(i) +
                                                            " of the " + track.role +
                                                            " is not in the work folder");
    }
    const int first = playlist.segments.front().init;
    joined.head =
        readHead(first >= 0 ? pathOf(true, static_cast<std::size_t>(first)) : pathOf(false, 0));
    joined.container = containerOf(joined.head);
    joined.path = detail::joinedPath(work, track, extensionOf(joined.container));
    const int fd = ::open(joined.path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return detail::systemFailure(errno, "cannot create " + joined.path.string());
    std::int64_t offset = 0;
    int lastInit = -1;
    Result result;
    for (std::size_t i = 0; i < playlist.segments.size() && result.ok(); ++i) {
        const int init = playlist.segments[i].init;
        if (init >= 0 && init != lastInit)
            result = appendPiece(fd, offset, pathOf(true, static_cast<std::size_t>(init)));
        lastInit = init;
        if (result.ok())
            result = appendPiece(fd, offset, pathOf(false, i));
    }
    if (::close(fd) != 0 && result.ok())
        result = detail::systemFailure(errno, "cannot write " + joined.path.string());
    return result;
}

// Paths go to ffmpeg with the file: protocol, so that a name beginning with
// "-" or looking like a URL is still read as a local file.
std::string fileArgument(const std::filesystem::path& path) {
    return "file:" + path.string();
}

std::vector<std::string> remuxCommand(const std::filesystem::path& ffmpeg,
                                      const std::vector<JoinedTrack>& joined,
                                      const std::filesystem::path& output) {
    std::vector<std::string> argv = {ffmpeg.string(), "-hide_banner", "-nostdin", "-y",
                                     "-loglevel",     "error"};
    for (const JoinedTrack& track : joined)
        argv.insert(argv.end(), {"-i", fileArgument(track.path)});
    // Video and audio only: timed metadata and other data streams of a
    // transport stream have no place in MP4.
    const std::string audioInput = joined.size() > 1 ? "1" : "0";
    argv.insert(argv.end(), {"-map", "0:v?", "-map", audioInput + ":a?", "-c", "copy"});
    const JoinedTrack& audio = joined.back();
    if (audioNeedsAdtsFilter(audio.container, audio.head))
        argv.insert(argv.end(), {"-bsf:a", "aac_adtstoasc"});
    argv.insert(argv.end(), {"-f", "mp4", fileArgument(output)});
    return argv;
}

std::string lastLine(const std::string& output) {
    std::string last;
    std::size_t start = 0;
    while (start < output.size()) {
        std::size_t end = output.find('\n', start);
        if (end == std::string::npos)
            end = output.size();
        std::string line = output.substr(start, end - start);
        while (!line.empty() && (line.back() == '\r' || line.back() == ' '))
            line.pop_back();
        if (!line.empty())
            last = std::move(line);
        start = end + 1;
    }
    return last;
}

Result remux(const std::vector<JoinedTrack>& joined, const std::filesystem::path& target) {
    const std::filesystem::path ffmpeg = platform::findProgram("ffmpeg");
    if (ffmpeg.empty())
        return detail::failure(Failure::NoFfmpeg);
    std::filesystem::path temporary = target;
    temporary += ".remuxing";
    const platform::ProcessResult run =
        platform::runProcess(remuxCommand(ffmpeg, joined, temporary), true);
    if (!run.ok()) {
        ::unlink(temporary.c_str());
        std::string line = lastLine(run.output);
        if (line.empty())
            line = run.started ? "exit status " + std::to_string(run.exitCode)
                               : "it could not be started";
        return detail::failure(Failure::Remux, line);
    }
    if (::rename(temporary.c_str(), target.c_str()) != 0) {
        const int error = errno;
        ::unlink(temporary.c_str());
        return detail::systemFailure(error, "cannot rename " + temporary.string());
    }
    return {};
}

}  // namespace

Result combine(const std::vector<Track>& tracks, const std::filesystem::path& workFolder,
               const std::filesystem::path& target) {
    Result result;
    std::vector<JoinedTrack> joined;
    if (tracks.empty())
        result = detail::failure(Failure::BadPlaylist, "no tracks");
    for (const Track& track : tracks) {
        if (!result.ok())
            break;
        if (track.playlist.segments.empty()) {
            result = detail::failure(Failure::BadPlaylist, "a track without segments");
            break;
        }
        joined.emplace_back();
        result = joinTrack(workFolder, track, joined.back());
    }
    if (result.ok())
        result = remux(joined, target);
    // The joined copies can be made again; the pieces stay until success.
    for (const JoinedTrack& track : joined)
        if (!track.path.empty())
            ::unlink(track.path.c_str());
    // The target is complete: a work folder that cannot be removed is only
    // left behind.
    if (result.ok())
        detail::removeWorkFolder(workFolder);
    if (!result.ok() && result.subject.empty())
        result.subject = target.string();
    return result;
}

}  // namespace hls
