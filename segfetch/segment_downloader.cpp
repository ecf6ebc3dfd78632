#include "segfetch/segment_downloader.h"

#include "platform/file_io.h"
#include "platform/http.h"
#include "platform/text.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cinttypes>
#include <cstdio>
#include <system_error>
#include <thread>

namespace {

namespace http = platform::http;

constexpr const char* kUserAgent =
    "Mozilla/4.0 (compatible; MSIE 8.0; Windows NT 5.1; Trident/4.0)";
constexpr const char* kRequestHeaders =
    "Accept: */*\r\nAccept-Language: zh-CN\r\nAccept-Charset: *\r\nAccept-Encoding:identity\r\n";
// Fewer, larger writes into the parts; one buffer per connection.
constexpr long kReceiveBufferBytes = 256 * 1024;

http::Request baseRequest(const std::string& url) {
    http::Request request;
    request.url = url;
    request.userAgent = kUserAgent;
    request.extraHeaders = kRequestHeaders;
    return request;
}

std::int64_t fileSize(const std::string& path) {
    struct stat info;
    if (::stat(path.c_str(), &info) != 0 || S_ISDIR(info.st_mode))
        return 0;
    return info.st_size;
}

bool parseNumber(std::string_view text, std::int64_t& value) {
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

// True when the answer's "Content-Range: bytes FIRST-LAST/TOTAL" starts at
// `first` and belongs to a resource of `total` bytes ("*" is accepted).
// Without it nobody can say where the bytes belong.
bool contentRangeStartsAt(const std::string& rawHeaders, std::int64_t first, std::int64_t total) {
    const auto headers = http::parseHeaders(rawHeaders);
    const std::string* value = http::findHeader(headers, "Content-Range");
    if (!value || !value->starts_with("bytes "))
        return false;
    std::string_view range = std::string_view(*value).substr(6);
    const auto dash = range.find('-');
    const auto slash = range.find('/');
    if (dash == std::string_view::npos || slash == std::string_view::npos || slash < dash)
        return false;
    std::int64_t start = -1;
    if (!parseNumber(range.substr(0, dash), start) || start != first)
        return false;
    std::string_view size = range.substr(slash + 1);
    std::int64_t declared = 0;
    return size == "*" || (parseNumber(size, declared) && declared == total);
}

// A part carries the plan it was fetched for (file length and segment
// range) in an extended attribute, so that a part of a file that has since
// changed length, or of another connection count, is fetched anew instead
// of being resumed into the wrong place. A part without the attribute (a
// file system without them) is trusted.
constexpr const char* kStampAttribute = "user.segfetch.segment";

std::string partStamp(const SegmentInfo& segment, std::int64_t fileLength) {
    return std::to_string(fileLength) + " " + std::to_string(segment.start) + " " +
           std::to_string(segment.end);
}

bool stampAllowsResume(const std::string& part, const std::string& stamp) {
    char value[96];
    const ssize_t size = ::getxattr(part.c_str(), kStampAttribute, value, sizeof value);
    if (size < 0)
        return errno != ERANGE;  // missing, or not supported here
    return std::string_view(value, static_cast<std::size_t>(size)) == stamp;
}

// Calls fn(0) ... fn(count - 1), each on a thread of its own (on the
// calling thread when no thread can be made), and waits for all of them.
template <typename Fn>
void forEachInParallel(std::size_t count, Fn fn) {
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < count; ++i) {
        try {
            threads.emplace_back(fn, i);
        } catch (const std::system_error&) {
            fn(i);
        }
    }
    for (std::thread& thread : threads)
        thread.join();
}

}  // namespace

CSegmentDownloader::CSegmentDownloader() {
    reset();
}

CSegmentDownloader::~CSegmentDownloader() {
    requestStop();
}

void CSegmentDownloader::reset() {
    stopRequested_ = false;
    received_ = 0;
    finishedCount_ = 0;
    std::lock_guard lock(pauseMutex_);
    paused_ = false;
}

bool CSegmentDownloader::downloadTask(const std::string& url, const std::u16string& target,
                                      std::atomic<const std::atomic<std::int64_t>*>* counterAddress,
                                      std::atomic<std::int64_t>* length, int connections) {
    if (counterAddress)
        counterAddress->store(&received_);
    std::printf("downloaded = &rdownloaded; %" PRIuPTR " \n\r",
                reinterpret_cast<std::uintptr_t>(&received_));
    contentLength_ = 0;
    const ProbeResult probe = probeLength(url, contentLength_);
    if (length)
        length->store(contentLength_);
    if (probe != ProbeResult::Usable)
        return false;
    return downloadSegments(url, target, connections);
}

ProbeResult CSegmentDownloader::probeLength(const std::string& url, std::int64_t& length) {
    length = 0;
    http::Callbacks callbacks;
    // Only the headers matter: the body is never read.
    callbacks.onHeaders = [](const http::Response&) { return false; };
    callbacks.onBody = [](const char*, std::size_t) { return false; };
    callbacks.keepGoing = [this] { return !stopped(); };
    const http::Response response = http::fetch(baseRequest(url), callbacks);
    if (response.status == 0)
        return ProbeResult::NoRequest;
    if (response.status < 200 || response.status > 299)
        return ProbeResult::NoLength;
    length = std::max<std::int64_t>(response.contentLength, 0);
    return length > 31 ? ProbeResult::Usable : ProbeResult::NoLength;
}

std::u16string CSegmentDownloader::partPathFor(const std::u16string& target, int index) {
    return target + u"_" + platform::utf8ToUtf16(std::to_string(index));
}

std::vector<SegmentInfo> CSegmentDownloader::planSegments(const std::string& url,
                                                          const std::u16string& target,
                                                          std::int64_t length, int connections) {
    if (length <= 0)
        return {};
    const auto count = static_cast<int>(
        std::clamp<std::int64_t>(connections, 1, std::min<std::int64_t>(kMaxConnections, length)));
    const std::int64_t segmentLength = length / count;
    std::vector<SegmentInfo> segments(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        SegmentInfo& segment = segments[static_cast<std::size_t>(i)];
        segment.url = url;
        segment.partPath = partPathFor(target, i);
        segment.start = i * segmentLength;
        segment.end = i == count - 1 ? length : segment.start + segmentLength;
    }
    return segments;
}

bool CSegmentDownloader::downloadSegments(const std::string& url, const std::u16string& target,
                                          int connections) {
    finishedCount_ = 0;
    rangeRefused_ = false;
    const auto segments = planSegments(url, target, contentLength_, connections);
    if (!segments.empty())
        recoverInterruptedJoin(segments.front(), target);
    std::vector<std::thread> workers;
    for (std::size_t i = 0; i < segments.size(); ++i) {
        std::printf("\r\n----------start:%" PRId64 "    end:%" PRId64 "-------------%zu",
                    segments[i].start, segments[i].end, i);
        try {
            workers.emplace_back([this, &segment = segments[i]] { segmentWorker(segment); });
        } catch (const std::system_error&) {
            break;  // the missing segments stay incomplete
        }
    }
    for (std::thread& worker : workers)
        worker.join();
    std::fflush(stdout);
    if (stopped())
        return false;
    const auto count = static_cast<int>(segments.size());
    bool written = false;
    if (finishedCount_ == count) {
        written = joinParts(segments, target);
    } else if (rangeRefused_) {
        std::printf("\r\nthe server ignores Range: one connection over the whole file\n");
        written = fetchWholeFile(url, target);
    }
    if (written) {
        // Releasing a large part's pages takes a while: release them at once.
        forEachInParallel(static_cast<std::size_t>(count), [&](std::size_t i) {
            ::unlink(platform::utf16ToUtf8(partPathFor(target, static_cast<int>(i))).c_str());
        });
    }
    return written;
}

bool CSegmentDownloader::fetchWholeFile(const std::string& url, const std::u16string& target) {
    const SegmentInfo whole{url, partPathFor(target, 0), 0, contentLength_};
    const std::string part = platform::utf16ToUtf8(whole.partPath);
    const int fd = ::open(part.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    std::int64_t have = 0;
    const FetchEnd end = fetchInto(whole, fd, have, false);
    ::close(fd);
    return end == FetchEnd::Complete && !stopped() && joinParts({whole}, target);
}

void CSegmentDownloader::segmentWorker(const SegmentInfo& segment) {
    const std::string part = platform::utf16ToUtf8(segment.partPath);
    const std::int64_t length = segment.length();
    std::int64_t have = fileSize(part);
    const std::string stamp = partStamp(segment, contentLength_);
    if (have > length || !stampAllowsResume(part, stamp)) {
        ::unlink(part.c_str());
        have = 0;
    }
    std::printf("\r\n----------nFile:%" PRId64 "    nSec:%" PRId64 "-------------%s", have, length,
                part.c_str());
    if (have == length) {
        std::printf("文件下载成功！下载结束！\n");
        ++finishedCount_;
        return;
    }
    const int fd = ::open(part.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0)
        return;
    ::fsetxattr(fd, kStampAttribute, stamp.data(), stamp.size(), 0);  // best effort
    std::printf("\r\n----------downl:%" PRId64 "    wei:%" PRId64 "-------------%s",
                segment.start + have, segment.end, part.c_str());
    FetchEnd end = FetchEnd::Paused;
    // A pause closes the connection; the next request starts where the part ends.
    while (end == FetchEnd::Paused && waitWhilePaused())
        end = fetchInto(segment, fd, have, true);
    ::close(fd);
    if (end == FetchEnd::RangeRefused)
        rangeRefused_ = true;
    if (have == length)
        ++finishedCount_;
}

CSegmentDownloader::FetchEnd CSegmentDownloader::fetchInto(const SegmentInfo& segment, int fd,
                                                           std::int64_t& have, bool ranged) {
    const std::int64_t length = segment.length();
    const std::int64_t first = segment.start + have;
    http::Request request = baseRequest(segment.url);
    request.stallTimeoutSeconds = stallTimeoutSeconds_;
    request.receiveBufferBytes = kReceiveBufferBytes;
    if (ranged) {
        request.rangeFirst = first;
        request.rangeLast = segment.end - 1;
    }
    bool refused = false;
    bool pausedHere = false;
    http::Callbacks callbacks;
    // The server may ignore Range or answer another range: never write at
    // a guessed offset.
    callbacks.onHeaders = [&](const http::Response& answer) {
        if (!ranged) {
            return answer.status == 200 &&
                   (answer.contentLength < 0 || answer.contentLength == contentLength_);
        }
        if (answer.status == 206 && contentRangeStartsAt(answer.rawHeaders, first, contentLength_))
            return true;
        refused = answer.status == 200;
        return false;
    };
    callbacks.onBody = [&](const char* data, std::size_t size) {
        const auto room = static_cast<std::size_t>(length - have);
        const std::size_t useful = std::min(size, room);
        if (!platform::writeAllAt(fd, data, useful, have))
            return false;
        have += static_cast<std::int64_t>(useful);
        received_ += static_cast<std::int64_t>(useful);
        return useful == size;  // more than the segment is not what was asked for
    };
    callbacks.keepGoing = [&] {
        if (stopped())
            return false;
        if (!ranged)
            return waitWhilePaused();  // a whole-file answer cannot be resumed: hold it
        pausedHere = isPaused();
        return !pausedHere;
    };
    http::fetch(request, callbacks);
    if (refused)
        return FetchEnd::RangeRefused;
    if (have == length)
        return FetchEnd::Complete;
    if (stopped())
        return FetchEnd::Stopped;
    return pausedHere ? FetchEnd::Paused : FetchEnd::Failed;
}

bool CSegmentDownloader::joinSegment(const SegmentInfo& segment, int targetFd) {
    const std::string part = platform::utf16ToUtf8(segment.partPath);
    const int fd = ::open(part.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const std::int64_t copied =
        platform::copyFileBytes(fd, targetFd, segment.start, segment.length());
    ::close(fd);
    return copied == segment.length();
}

// Part 0 already holds its bytes at offset 0: it is renamed to a file
// beside the target, the other parts are appended at their offsets, and the
// file is closed (every write checked) and renamed over the target once
// complete. So the target never exists half written, and the caller deletes
// the parts only after that. No fdatasync: at about 0.5 s per GiB it would
// cost more than the whole join; the kernel writes the file back as usual.
// A join that fails turns the file back into part 0.
bool CSegmentDownloader::joinParts(const std::vector<SegmentInfo>& segments,
                                   const std::u16string& target) {
    for (const SegmentInfo& segment : segments) {
        const std::string part = platform::utf16ToUtf8(segment.partPath);
        if (fileSize(part) < segment.length()) {
            std::printf("\r\npart missing or short: %s\n", part.c_str());
            return false;
        }
    }
    const std::string joining = joiningPathFor(target);
    const std::string firstPart = platform::utf16ToUtf8(segments.front().partPath);
    if (::rename(firstPart.c_str(), joining.c_str()) != 0)
        return false;
    const int fd = ::open(joining.c_str(), O_WRONLY | O_CLOEXEC);
    bool ok = fd >= 0 && ::ftruncate(fd, segments.front().length()) == 0;
    // One after another: writers of one file take turns on its lock anyway,
    // and concurrent ones only spin on it.
    for (std::size_t i = 1; ok && i < segments.size(); ++i)
        ok = joinSegment(segments[i], fd);
    if (fd >= 0)
        ok = ::close(fd) == 0 && ok;
    ok = ok && ::rename(joining.c_str(), platform::utf16ToUtf8(target).c_str()) == 0;
    if (!ok)
        restoreFirstPart(segments.front(), joining);
    return ok;
}

std::string CSegmentDownloader::joiningPathFor(const std::u16string& target) {
    return platform::utf16ToUtf8(target) + ".joining";
}

void CSegmentDownloader::restoreFirstPart(const SegmentInfo& first, const std::string& joining) {
    if (::truncate(joining.c_str(), first.length()) == 0)
        ::rename(joining.c_str(), platform::utf16ToUtf8(first.partPath).c_str());
}

// A join that a crash interrupted left part 0 under the joining name.
void CSegmentDownloader::recoverInterruptedJoin(const SegmentInfo& first,
                                                const std::u16string& target) {
    const std::string joining = joiningPathFor(target);
    if (fileSize(platform::utf16ToUtf8(first.partPath)) == 0 && fileSize(joining) >= first.length())
        restoreFirstPart(first, joining);
}

void CSegmentDownloader::requestStop() {
    stopRequested_ = true;
    std::lock_guard lock(pauseMutex_);
    pauseChanged_.notify_all();
}

void CSegmentDownloader::suspendWorkers() {
    std::lock_guard lock(pauseMutex_);
    std::printf("------------%x-------%x---", paused_ ? 1u : 0u, 1u);
    paused_ = true;
}

void CSegmentDownloader::resumeWorkers() {
    std::lock_guard lock(pauseMutex_);
    std::printf("------------%x-------%x---", paused_ ? 1u : 0u, 0u);
    paused_ = false;
    pauseChanged_.notify_all();
}

bool CSegmentDownloader::isPaused() {
    std::lock_guard lock(pauseMutex_);
    return paused_;
}

bool CSegmentDownloader::waitWhilePaused() {
    std::unique_lock lock(pauseMutex_);
    pauseChanged_.wait(lock, [this] { return !paused_ || stopped(); });
    return !stopped();
}
