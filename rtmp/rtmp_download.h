// Our RTMP download library: saves one stored RTMP stream as an FLV file.
//
// Exactly two functions and two records. RtmpDownload blocks on the
// caller's thread until the stream is saved, fails or is closed;
// RtmpClose, from any other thread, makes every running RtmpDownload
// return at once, also when the server has stopped sending. The library
// ignores SIGPIPE (unless the program installed a handler of its own), so
// that a send on a broken connection never ends the process.
#pragma once

#include <cstdint>

extern "C" {

// The stream to fetch. The two strings are owned by the caller and must
// stay valid during RtmpDownload.
struct RtmpRequest {
    const char* url;       // the server's URL, e.g. "rtmp://host:1935/vod"
    const char* playPath;  // the stream, e.g. "clip.flv" or "mp4:clip.mp4"
    // Set to 0 by the caller before each download, written by the library
    // during it: the stream's duration in milliseconds as the server's
    // metadata gives it (0 while unknown), and the result RtmpDownload is
    // about to return (0 while running). `result` is written 0 once the
    // download has registered, that is once RtmpClose reaches it.
    std::int32_t durationMs;
    std::int32_t result;
};

// Written by RtmpDownload while it runs, with relaxed atomic stores: read
// each field from another thread with std::atomic_ref (or
// __atomic_load_n), not with a plain read.
struct RtmpProgress {
    std::int64_t bytes;  // bytes written to the target so far
    double percent;      // 0 to 100, from the stream's position and duration
};

// Result codes of RtmpDownload.
enum RtmpResult {
    kRtmpOk = 0,
    kRtmpBadArguments = -1,
    kRtmpBadUrl = -2,
    kRtmpConnectFailed = -3,  // no connection, or the server refused the handshake or "connect"
    kRtmpStreamFailed = -4,   // the server would not play the stream (missing, not allowed)
    kRtmpTargetFailed = -5,   // the target file could not be created or written
    kRtmpIncomplete = -6,     // the stream broke off before its end
    kRtmpClosed = -7,         // RtmpClose ended the download
};

// Connects to request->url, plays request->playPath with a buffer of ten
// hours (so that a stored stream arrives as fast as the server sends it)
// and writes the FLV stream to `targetUtf8`, keeping *progress current.
// The target's folder is checked before connecting (kRtmpTargetFailed for
// a target that is a folder, or a folder that is missing or cannot be
// written). The stream goes to "<target>.partial" beside the target, which
// is renamed to the target once the server reported the stream complete:
// only then is kRtmpOk returned, and a failed download leaves an older file
// under the target's name as it was. A server that sends nothing for the
// first-byte limit of platform/transfer_limits.h (30 s) ends the download.
// `progress` may be null. Several downloads may run at once on different
// threads.
int RtmpDownload(RtmpRequest* request, const char* targetUtf8, RtmpProgress* progress);

// Why the last RtmpDownload of the calling thread ended, in words for a
// user ("the target file could not be written: No space left on device");
// empty after kRtmpOk. Valid until that thread's next RtmpDownload.
const char* RtmpLastReason();

// Makes every running RtmpDownload give up and return kRtmpClosed
// promptly: it sets their stop flags and shuts their sockets down; each
// downloading thread then closes and frees its own session. Returns the
// number of downloads it reached. Any thread.
int RtmpClose();

}  // extern "C"
