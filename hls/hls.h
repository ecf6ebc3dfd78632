/*
 * hls: the HLS engine of clipwright.
 *
 * Downloads a stream published as an HLS playlist (".m3u8", RFC 8216) and
 * turns it into one MP4 file. Three steps, each a call of its own so that a
 * task controller can put its own state between them:
 *
 *   1. loadStream(): fetches a master or media playlist, lists the master
 *      playlist's variants and loads the chosen variant's media playlist
 *      (and that of its separate audio rendition). Blocking.
 *   2. Download: fetches every segment of those media playlists over a
 *      fixed pool of connections into a work folder, decrypting AES-128
 *      segments on the way. Runs on threads of its own; paused, resumed and
 *      stopped from any thread; polled for progress. Resumes from the
 *      segments already complete in the work folder.
 *   3. combine(): joins each track's segments (the initialisation section
 *      first for fragmented MP4) and remuxes them into the target with the
 *      ffmpeg program, without re-encoding. Blocking.
 *
 * parsePlaylist() is the pure parser underneath step 1: text and address
 * in, playlist out, no I/O.
 *
 * Conventions shared by every call:
 * - Failures are never thrown: each step answers with a Result that names
 *   the reason (HTTP status and text, system error, time limit, refused
 *   playlist ...). Result::message() is the one-line text for a user.
 * - Addresses are UTF-8 http or https URLs; paths are std::filesystem paths.
 * - Every value returned is owned by the caller; the engine keeps nothing
 *   between calls except what a Download object holds.
 * - Requests go through the project's HTTP layer and share its process-wide
 *   cookie store, so that cookies set while analysing a page are sent with
 *   the playlist and segment requests.
 * - Nothing is printed; diagnostics are off.
 */
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace hls {

/* ------------------------------------------------------------------------
 * Results
 * ---------------------------------------------------------------------- */

// Why a step failed.
enum class Failure {
    None = 0,
    Transport,      // no answer, or a transfer broken off (detail: the transport's text)
    TimeLimit,      // nothing arrived within the time limit
    HttpStatus,     // an answer other than 2xx (httpStatus; detail: the status text)
    System,         // a file operation failed (systemError: the errno value)
    NotPlaylist,    // the text does not start with "#EXTM3U"
    BadPlaylist,    // a playlist we cannot follow (no segments, no variants, a bad byte range)
    Live,           // a media playlist without EXT-X-ENDLIST: the stream is still growing
    KeyMethod,      // an EXT-X-KEY method other than NONE and AES-128, e.g. SAMPLE-AES
    Key,            // the key could not be fetched, or is not 16 bytes
    TooLarge,       // a playlist over 64 MiB, or with over 100,000 segments
    NoSuchVariant,  // the variant asked for is not in the master playlist
    Decrypt,        // a segment did not decrypt with its key (bad padding)
    Incomplete,     // combine() found segments missing from the work folder
    Stopped,        // Download::stop() ended the download
    NoFfmpeg,       // the ffmpeg program is in neither the application directory nor PATH
    Remux,          // ffmpeg failed (detail: its last error line)
};

struct Result {
    Failure failure = Failure::None;
    long httpStatus = 0;  // for HttpStatus (and Key, when the key's answer was one)
    int systemError = 0;  // for System
    std::string detail;   // the reason's own words, see Failure
    std::string subject;  // what failed: "playlist URL", "segment 17 of the audio", a path

    bool ok() const { return failure == Failure::None; }
    // One line for a user: the subject, then the reason, for example
    // "key http://host/k.bin: HTTP 404 Not Found" or
    // "live playlist (no EXT-X-ENDLIST): only finished streams can be
    // downloaded". Empty for a success.
    std::string message() const;
};

/* ------------------------------------------------------------------------
 * Playlists (RFC 8216)
 * ---------------------------------------------------------------------- */

// Limits beyond which a playlist is refused with Failure::TooLarge.
constexpr std::size_t kMaxPlaylistBytes = 64u << 20;
constexpr std::size_t kMaxSegments = 100000;

// EXT-X-BYTERANGE / BYTERANGE: `length` bytes from `offset` of the
// resource; length < 0 means the whole resource.
struct ByteRange {
    std::int64_t offset = 0;
    std::int64_t length = -1;
    bool present() const { return length >= 0; }
};

enum class KeyMethod { None, Aes128, SampleAes, Other };

// One EXT-X-KEY tag.
struct Key {
    KeyMethod method = KeyMethod::None;
    std::string methodName;  // as written ("AES-128", "SAMPLE-AES", ...)
    std::string uri;         // absolute
    bool hasIv = false;      // an explicit IV; otherwise the segment's sequence number is the IV
    std::array<std::uint8_t, 16> iv{};
    std::string keyFormat;  // KEYFORMAT; empty means "identity"
};

// One EXT-X-MAP tag: the initialisation section of fragmented MP4 segments.
struct InitSection {
    std::string uri;  // absolute
    ByteRange range;
    int key = -1;  // index into MediaPlaylist::keys of the key in force at the tag, or -1
};

struct Segment {
    std::string uri;  // absolute
    double duration = 0;
    std::int64_t sequence = 0;  // media sequence number
    ByteRange range;
    int key = -1;   // index into MediaPlaylist::keys, or -1 when not encrypted
    int init = -1;  // index into MediaPlaylist::initSections, or -1
    bool discontinuity = false;
};

struct MediaPlaylist {
    std::string url;  // the address the playlist came from, after redirects
    double targetDuration = 0;
    std::int64_t mediaSequence = 0;
    bool endList = false;      // EXT-X-ENDLIST: the playlist is complete
    std::string playlistType;  // EXT-X-PLAYLIST-TYPE ("VOD", "EVENT") or empty
    std::vector<Segment> segments;
    std::vector<Key> keys;
    std::vector<InitSection> initSections;

    double duration() const;  // sum of the segments' durations, seconds
};

// One EXT-X-MEDIA tag.
struct Rendition {
    std::string type;  // "AUDIO", "VIDEO", "SUBTITLES", "CLOSED-CAPTIONS"
    std::string groupId;
    std::string name;
    std::string language;
    std::string uri;  // absolute; empty when the rendition travels inside the variant
    bool isDefault = false;
    bool autoSelect = false;
};

// One EXT-X-STREAM-INF tag and the URI after it.
struct Variant {
    std::string uri;  // absolute
    std::int64_t bandwidth = 0;
    std::int64_t averageBandwidth = 0;
    int width = 0;  // RESOLUTION, 0 when absent
    int height = 0;
    std::string codecs;      // CODECS, e.g. "avc1.64001f,mp4a.40.2"
    std::string audioGroup;  // AUDIO group id, or empty
    double frameRate = 0;
};

struct MasterPlaylist {
    std::vector<Variant> variants;  // in file order
    std::vector<Rendition> renditions;
};

struct Playlist {
    bool isMaster = false;
    MasterPlaylist master;  // when isMaster
    MediaPlaylist media;    // otherwise
};

struct ParsedPlaylist {
    Result result;
    Playlist playlist;
};

// Parses playlist text. Relative URIs are resolved against `url`, the
// address the text came from after redirects. Lines may end in LF or CR LF;
// unknown tags and comments are skipped. Refuses text without "#EXTM3U" at
// the start (NotPlaylist), over kMaxPlaylistBytes or kMaxSegments
// (TooLarge), and tags it cannot follow (BadPlaylist). It does not refuse
// live playlists or key methods: see checkDownloadable(). Pure: no I/O, no
// shared state; any thread.
ParsedPlaylist parsePlaylist(std::string_view text, std::string_view url);

// Whether a media playlist can be downloaded: Live without EXT-X-ENDLIST,
// KeyMethod for a key other than NONE and AES-128 (or a KEYFORMAT other than
// "identity"), BadPlaylist without segments. Pure; any thread.
Result checkDownloadable(const MediaPlaylist& playlist);

/* ------------------------------------------------------------------------
 * Loading a stream
 * ---------------------------------------------------------------------- */

// Request settings shared by loading and downloading. A time limit that
// ends a request fails it with TimeLimit; -1 takes the limit in force
// (platform/transfer_limits.h), 0 means none.
struct RequestOptions {
    std::string userAgent;     // empty: a browser-like default
    std::string extraHeaders;  // "Name: value" CR LF lines, e.g. a Referer
    long connectTimeoutMs = -1;
    long firstByteTimeoutMs = -1;
    long stallTimeoutSeconds = -1;  // nothing received for this long
};

// One variant of a master playlist as offered to a user.
struct VariantInfo {
    std::string name;  // e.g. "1280x720, 2.50 Mbit/s", or "2.50 Mbit/s" without RESOLUTION
    std::int64_t bandwidth = 0;
    int width = 0;
    int height = 0;
    std::string codecs;
    std::string audioGroup;
    // BANDWIDTH × the loaded track's duration ÷ 8, in bytes; 0 when unknown.
    std::int64_t estimatedBytes = 0;
};

// One media playlist to download: the variant itself ("video", which also
// carries the audio when there is no separate rendition) or its separate
// audio rendition ("audio").
struct Track {
    // "video" or "audio", each at most once; names the track's folder in the
    // work folder. Download refuses other roles (BadPlaylist).
    std::string role;
    MediaPlaylist playlist;
};

struct Stream {
    Result result;
    std::string url;  // the address the first playlist came from
    std::vector<VariantInfo>
        variants;               // the master playlist's, in file order; empty for a media playlist
    int chosen = -1;            // index into variants of the tracks' variant, -1 without one
    std::vector<Track> tracks;  // [0] the variant, [1] its audio rendition when separate
    double duration = 0;        // seconds, of tracks[0]
};

// Fetches the playlist at `url` (redirects followed, gzip undone). For a
// master playlist it then loads the variant `variant` (counted from 0 in
// file order; -1 takes the one with the highest BANDWIDTH, the first of
// equals) and, when that variant names an AUDIO group whose chosen rendition
// (DEFAULT=YES, else the first) has its own URI, that rendition's playlist.
// For a media playlist `variant` is not used. Every media playlist loaded
// must pass checkDownloadable(). On failure `tracks` is empty and the
// variants found so far are kept, so that a caller can offer them again.
// Blocking; any thread; several calls may run at once.
Stream loadStream(const std::string& url, int variant = -1, const RequestOptions& options = {});

/* ------------------------------------------------------------------------
 * Downloading
 * ---------------------------------------------------------------------- */

// The work folder of a target: the target's path with ".hls" appended,
// beside the target. It holds a manifest, one folder per track with its
// segments and initialisation sections, and nothing else.
std::filesystem::path workFolderFor(const std::filesystem::path& target);

struct DownloadOptions {
    RequestOptions request;
    int connections = 5;  // the size of the connection pool, 1 to 50
    // A segment is tried again this many times before the download fails.
    int retries = 3;
    std::chrono::milliseconds retryDelay{500};  // before the first retry; doubles each time
};

// Downloads every segment and initialisation section of the tracks into
// the work folder, over a pool of `connections` worker threads, each with
// one kept-alive HTTP connection; a segment goes to whichever worker is
// free. A segment counts as done only when it arrived whole (and, when
// encrypted, decrypted with valid padding): it is written under a temporary
// name and renamed into place, so that a crash or a kill never leaves a
// partial segment that looks complete. A new Download for the same tracks
// and work folder (after a stop, a failure, a crash) fetches only the
// segments that are not yet there; a work folder made for other tracks is
// emptied first.
//
// The object is made and destroyed by one owner thread. start(), pause(),
// resume(), stop(), the progress counters, finished() and result() may be
// called from any thread.
class Download {
public:
    Download(std::vector<Track> tracks, std::filesystem::path workFolder,
             DownloadOptions options = {});
    // Stops a running download (as stop() does) and waits for its threads.
    ~Download();
    Download(const Download&) = delete;
    Download& operator=(const Download&) = delete;

    // Starts the download on threads of its own and returns at once. Only
    // the first call has an effect.
    void start();
    // Holds the workers at their next check point (between blocks of a
    // transfer; a segment cut off by a pause is fetched again from its
    // start). Pauses do not stack.
    void pause();
    void resume();
    // Ends the download at the next check point, also a paused one, and
    // waits until every worker has ended. The result is then Stopped unless
    // the download had already finished. Segments already complete stay.
    void stop();

    // True once the download has ended (complete, failed or stopped).
    bool finished() const;
    // Waits up to `limit` for the end; true when it has ended.
    bool waitFor(std::chrono::milliseconds limit) const;
    // Waits for the end and returns result().
    Result wait() const;
    // The outcome once finished(); before that a Result with
    // Failure::None that does not yet mean success.
    Result result() const;

    // Progress, updated as bytes arrive; readable from any thread at any
    // time. Bytes count what is on disk (including segments found complete
    // at the start) plus what is arriving for segments in flight, so they
    // may go back a little when a broken segment is fetched again.
    std::int64_t bytesDone() const;
    std::int64_t bytesThisRun() const;  // what this object received, for speed
    std::int64_t segmentsDone() const;  // initialisation sections included
    std::int64_t segmentsTotal() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

/* ------------------------------------------------------------------------
 * Combining
 * ---------------------------------------------------------------------- */

// Joins the tracks' segments from the work folder that a finished
// Download filled, in playlist order (fragmented MP4: the initialisation
// section first, and again where it changes), and remuxes them into
// `target` with the ffmpeg program, stream copy only: the video and audio of
// the first track, or the video of the first and the audio of the second
// when there are two; for MPEG-TS or ADTS audio in AAC the AAC bit-stream
// filter is applied. The target is written under a temporary name and
// renamed over `target` when ffmpeg succeeded; the work folder is then
// removed. A failure (Incomplete, NoFfmpeg, Remux with ffmpeg's last error
// line, System) keeps the segments, so that combine() can run again.
// Blocking; any thread.
Result combine(const std::vector<Track>& tracks, const std::filesystem::path& workFolder,
               const std::filesystem::path& target);

}  // namespace hls
