// streamsift: turns the address of a video service's watch page into the
// list of directly downloadable streams, and fetches one URL into a file
// with progress, speed and cancel.
//
// The library's whole interface is the class DLL_StreamSift and the record
// dlInfo. Every operation runs on the caller's thread and blocks until it is
// done; the library keeps no state of its own between calls. Different
// objects may work on different threads at once; they share the process's
// cookie store and the dump file "recvData.html", which always holds one
// whole page (the last one written).
//
// Hosts: every request goes to the service's web host on port 80 (page
// analysis) or to the host its URL names (transfers). When the environment
// variable STREAMSIFT_HOST is set ("host" or "host:port"), it replaces the
// host and port of every request, for mirrors and tests.
//
// Diagnostics are printed to standard output; nothing reads them.
#pragma once

#include <atomic>
#include <cstdint>

#define STREAMSIFT_API __attribute__((visibility("default")))

// One offered stream. The three strings are allocated by the library and
// released only by DLL_StreamSift::freeUrlData.
struct dlInfo {
    // The complete, percent-decoded stream URL, zero-terminated, in a block
    // of at least 4096 bytes (longer URLs get a block of their own size).
    char* url;
    // ".flv", ".mp4", ".webm", ".3gpp" or "", chosen from the stream's type,
    // in a block of 6 bytes.
    char* type;
    // The stream's quality parameter as the page wrote it, leading "=" or
    // "%3D" included (for example "=hd720"); "" when the entry has none.
    char* quality;
};

class STREAMSIFT_API DLL_StreamSift {
public:
    DLL_StreamSift() = default;
    // Objects are plain values: copies take the other's stopFlag value.
    DLL_StreamSift(const DLL_StreamSift& other) : stopFlag(other.stopFlag.load()) {}
    DLL_StreamSift& operator=(const DLL_StreamSift& other) {
        stopFlag.store(other.stopFlag.load());
        return *this;
    }

    // Result codes of analysisUrl.
    static constexpr int kAnalysed = 1;  // the stream map was found (possibly with no stream)
    static constexpr int kFailed = 0;
    static constexpr int kNoConnection = -1;

    // Fetches the watch page `pageUrl` (zero-terminated UTF-16, http or
    // https; only its path and query are used, the request always goes to
    // the service's host over http), saves it
    // as "recvData.html" in the working directory (replacing the file
    // whole), and decodes its stream map.
    //
    // Returns kAnalysed: `infos` points to an array holding the records at
    // indices count..count+n-1 (n may be 0; the slots before the incoming
    // count are empty records with null strings), `count` is raised by n,
    // and `title` is the page's <title> text, or null when the page has
    // none. The caller sets `count` to 0 before the call (a negative count
    // is taken as 0).
    // Returns kFailed (bad address, no answer from the host, the dump file
    // cannot be written, or no stream map in the page) or kNoConnection (no
    // usable network interface while the host is not on loopback): `infos`
    // and `title` are null and `count` is unchanged.
    //
    // `infos` and `title` are overwritten, never freed: release earlier
    // results first. After kAnalysed, give everything back with one call of
    // freeUrlData(infos, title, count).
    int analysisUrl(dlInfo*& infos, int& count, char*& title, const char16_t* pageUrl);

    // Releases the strings of the first `count` records, the array and the
    // title, as handed out by analysisUrl; null pointers are skipped. Both
    // pointers are set to null afterwards.
    void freeUrlData(dlInfo*& infos, char*& title, int count);

    // Result codes of the transfer operations.
    static constexpr int kDone = 0;
    // The HTTP client could not start. Kept for callers that test for it;
    // the client used here has no start-up step that can fail, so it is not
    // returned.
    static constexpr int kNoRootHandle = -1;
    static constexpr int kCannotOpenUrl = -2;      // no answer, or an HTTP error status
    static constexpr int kCannotWriteTarget = -3;  // the target cannot be created or written
    static constexpr int kReadFailed = -4;         // the transfer broke off midway
    static constexpr int kCancelled = -5;          // stopFlag was set

    // Fetches `url` (zero-terminated UTF-8, http or https) into the file
    // `target` (zero-terminated UTF-16 path), which is created or truncated
    // once the server has answered with a success status.
    //
    // While it runs, `speed` is set after every block to the average speed
    // in KB per second, and `percent` to the share received (0..100) when
    // the server declared a length; without a length `percent` is left as
    // it was. Another thread that shows them reads each with
    // std::atomic_ref, as the operation writes them.
    //
    // Setting stopFlag (from any thread) ends the transfer after the block
    // being read: kCancelled. On kReadFailed and kCancelled the target keeps
    // what was written; it is never deleted. A transfer cancelled or broken
    // off before the first body byte leaves the target untouched.
    int InternetGetFile(const char* url, const char16_t* target, float& speed, int& percent);

    // Asks the server for `url` and reads the declared length of the body
    // into `size` (0 when the server gives none) without fetching the body.
    // Returns kDone, or kCannotOpenUrl (no answer or an HTTP error status;
    // size unchanged). The request carries the same headers as
    // InternetGetFile's.
    int InternetGetFileSize(const char* url, std::int64_t& size);

    // Set to true from any thread to cancel a running InternetGetFile. It
    // stays set: the owner clears it before the next transfer.
    std::atomic<bool> stopFlag{false};
};
