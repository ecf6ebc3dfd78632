// The site-script engine SiteScript: turns the address of a video page into
// a description of its downloadable stream, tells the container type of a
// downloaded file and joins downloaded pieces with the ffmpeg program.
//
// The library exports two plain functions. CreateSiteScriptHandle returns
// the one operation table ISiteScript; every other service is reached
// through that table. All wide strings are NUL-terminated UTF-16 (char16_t).
//
// Threads: every operation of the table may run on several threads at
// once. The engine keeps no state between calls; the only process-wide
// state is the HTTP cookie store, which SETCOOKIE and every request share.
#pragma once

#include <cstdint>

#define SITESCRIPT_EXPORT __attribute__((visibility("default")))

extern "C" {

// VideoInfo::kind
enum StreamKind : std::int32_t {
    StreamKindNone = 0,  // no stream was resolved
    StreamKindHttp = 1,  // the stream (or each of its parts) is fetched over HTTP
    StreamKindRtmp = 2,  // the stream is fetched over RTMP: url is the server, playPath the stream
};

// Results of ProbeFileType, also the modes of MergeStreams.
enum FileType : int {
    FileTypeUnreadable = -1,  // the file could not be opened
    FileTypeOther = 0,        // none of the signatures below
    FileTypeFlv = 1,          // FLV file with audio and video
    FileTypeF4f = 2,          // fragmented-Flash bootstrap data ("abst" box)
    FileTypeMp4 = 3,          // MP4 family file ("ftyp" box)
};

// MergeStreams mode that muxes the video and audio of two inputs.
constexpr int MergeModeMux = FileTypeMp4;

// AnalyseUrl failures.
constexpr int AnalyseFailed = -1;       // script error, failed page fetch, runaway script
constexpr int AnalyseLoginFailed = -2;  // REQUESTLOGIN's login block missing or failed

// One part of a stream cut into pieces; a singly linked list in part order.
struct VideoPart {
    char16_t* index;  // position in decimal, "0" for the first part
    char16_t* url;    // the part's URL
    VideoPart* next;  // following part, or null at the end
};

// The result of one analysis. Allocated by the engine, released only by
// FreeVideoInfo. A string the script did not set is null.
struct VideoInfo {
    std::int32_t kind;    // a StreamKind
    std::int64_t length;  // total size in bytes (VIDLENGTH); 0 when unknown
    char16_t* url;        // stream URL (for RTMP the server URL)
    char16_t* playPath;   // RTMP play path
    char16_t* name;       // title, cleaned up for use as a file name
    char16_t* format;     // file extension without the dot ("flv", "mp4", ...); see below
    VideoPart* parts;     // the stream's parts, or null when it is not cut into parts
};

// An HLS stream (a master or media playlist) is a VideoInfo of kind
// StreamKindHttp with the format "m3u8": url is the playlist's address and
// length is 0, since the playlist's own size says nothing of the stream's.
// The stream probe gives "m3u8" for the HLS content types
// ("application/vnd.apple.mpegurl", "application/x-mpegurl",
// "audio/mpegurl", "audio/x-mpegurl", without case) and for any answer whose
// body starts with "#EXTM3U".

// Asked by a script's REQUESTLOGIN statement for the user's credentials, on
// the thread that called AnalyseUrl; it may block until the user answers.
// It stores through its first two arguments pointers to two NUL-terminated
// strings, the user name and the password, which stay owned by the caller's
// side: the engine copies them at once and never frees them. A pointer left
// null counts as an empty string. `context` is AnalyseUrl's context, passed
// through unchanged. The return value is not used.
typedef int (*LoginCallback)(const char16_t** userName, const char16_t** password,
                             std::intptr_t context);

struct ISiteScript {
    // Loads the script file "script.ent" from the shipped data folder
    // (CLIPWRIGHT_HOME, the executable's directory in the build tree, or the
    // installed data folder; platform/app_dir.h), runs the block whose
    // site key occurs in `url` and stores a new VideoInfo in *result, on
    // every call and whatever the outcome, so that the caller always has a
    // record to free. Returns AnalyseFailed (-1) for a script error, a failed
    // page fetch or a script that runs away (more than 1,000,000 statements,
    // 32 nested CALLSCRIPT/REQUESTLOGIN runs or 128 Mi characters held by its
    // variables, reported on standard error);
    // AnalyseLoginFailed (-2) when a login did not succeed; otherwise the
    // status of the script's last statement, normally 0. A URL that no block
    // names, or a missing script file, gives 0 and an empty record. On a
    // negative status the record's strings and length stay empty. `callback`
    // may be null when the caller cannot answer logins (empty credentials).
    int (*AnalyseUrl)(LoginCallback callback, const char16_t* url, VideoInfo** result,
                      std::intptr_t context);

    // The container type of a file from its first 140 bytes: a FileType.
    int (*ProbeFileType)(const char16_t* path);

    // Runs ffmpeg (from the application directory, else PATH) and waits for
    // it. Mode MergeModeMux (3) copies the video and audio streams of input1
    // and input2 into output. Mode 2 (FileTypeF4f) starts nothing. Any other
    // mode concatenates: input1 names a concatenation list (see
    // sitescript::concatList) and input2 is not used. An existing output is
    // never overwritten. Returns 0 when ffmpeg ran and succeeded, -1 when it
    // could not be started, failed, or the mode is 2. The inputs are left
    // untouched either way.
    int (*MergeStreams)(const char16_t* output, const char16_t* input1, const char16_t* input2,
                        int mode);

    // Releases a record from AnalyseUrl with its strings and parts and sets
    // *result to null. Does nothing when result or *result is null.
    void (*FreeVideoInfo)(VideoInfo** result);
};

// The process's one table: a static read-only object, the same on every
// call. Cannot fail.
SITESCRIPT_EXPORT const ISiteScript* CreateSiteScriptHandle();

// Has no effect; the table is never freed.
SITESCRIPT_EXPORT void CloseSiteScriptHandle();

// Why the calling thread's last AnalyseUrl or MergeStreams call ended as it
// did. The engine keeps one record per thread; each of those two calls
// overwrites it, so read it on the same thread, before the next call.
enum SiteScriptReasonKind : std::int32_t {
    ReasonNone = 0,       // the call succeeded and, for AnalyseUrl, resolved a stream
    ReasonNoBlock = 1,    // AnalyseUrl: no block of the script file names the address,
                          // or there is no script file
    ReasonNoStream = 2,   // AnalyseUrl: the script ran but resolved no stream (no URL, no parts)
    ReasonPageFetch = 3,  // AnalyseUrl: a page could not be fetched (httpStatus, systemError)
    ReasonScript = 4,     // AnalyseUrl: a statement failed, or a guard stopped a runaway script
    ReasonLogin = 5,      // AnalyseUrl: the login did not succeed
    ReasonMerge = 6,      // MergeStreams: ffmpeg is missing or failed, or the mode cannot join
};

struct SiteScriptReason {
    std::int32_t kind;         // a SiteScriptReasonKind
    std::int32_t httpStatus;   // ReasonPageFetch: the server's status; 0 when none answered
    std::int32_t systemError;  // the errno behind a failed connection; 0 when none
    // UTF-8, never null: a short sentence for the user ("" for ReasonNone);
    // for ReasonMerge it ends with ffmpeg's last error line. Valid until the
    // thread's next AnalyseUrl or MergeStreams call.
    const char* text;
};

// The calling thread's record; never null. Before any call: ReasonNone.
SITESCRIPT_EXPORT const SiteScriptReason* SiteScriptLastReason();

// 1 when the script file has a block that AnalyseUrl would run for `url`
// (its site key occurs in the URL), 0 when none does, when `url` is null or
// the script file is missing. Reads the script file on every call; safe on
// any thread. The browser asks this before it offers a page for download.
SITESCRIPT_EXPORT int SiteScriptAcceptsUrl(const char16_t* url);

}  // extern "C"
