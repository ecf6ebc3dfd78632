#include "segfetch/segment_downloader.h"
#include "platform/diagnostics.h"

#include "platform/file_io.h"
#include "platform/target_check.h"
#include "platform/text.h"
#include "platform/transfer_limits.h"
#include "segfetch/part_stamps.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
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
constexpr const char* kChangedNote =
    "the file changed on the server since its parts were fetched; it was downloaded anew";

std::int64_t fileSize(const std::string& path) {
    struct stat info;
    if (::stat(path.c_str(), &info) != 0 || S_ISDIR(info.st_mode))
        return 0;
    return info.st_size;
}

std::string systemErrorText(int error) {
    return std::strerror(error);
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

FetchOutcome outcomeOf(http::Failure failure) {
    switch (failure) {
        case http::Failure::ConnectTimeout:
        case http::Failure::FirstByteTimeout:
            return FetchOutcome::TimedOut;
        case http::Failure::RefusedEncoding:
            return FetchOutcome::RefusedEncoding;
        case http::Failure::Stopped:
            return FetchOutcome::Stopped;
        default:
            return FetchOutcome::NetworkError;
    }
}

// A broken connection is worth another request; a time limit, TLS or the
// address are not.
bool isRetryable(http::Failure failure) {
    switch (failure) {
        case http::Failure::ConnectFailed:
        case http::Failure::Stalled:
        case http::Failure::Broken:
        case http::Failure::Other:
        case http::Failure::None:  // ended cleanly, but short
            return true;
        default:
            return false;
    }
}

bool anyPartWithBytes(const std::u16string& target) {
    for (int i = 0; i < CSegmentDownloader::kMaxConnections; ++i) {
        if (fileSize(platform::utf16ToUtf8(CSegmentDownloader::partPathFor(target, i))) > 0)
            return true;
    }
    return fileSize(CSegmentDownloader::joiningPathFor(target)) > 0;
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

void CSegmentDownloader::fail(FetchOutcome outcome, std::string reason, int systemError,
                              long httpStatus) {
    std::lock_guard lock(failureMutex_);
    if (failure_.outcome != FetchOutcome::NotRun)
        return;  // the first failure is the one that tells why
    failure_.outcome = outcome;
    failure_.reason = std::move(reason);
    failure_.systemError = systemError;
    failure_.httpStatus = httpStatus;
}

void CSegmentDownloader::failFrom(const http::Response& response) {
    if (response.failure == http::Failure::None) {
        fail(FetchOutcome::HttpError, http::failureReason(response), 0, response.status);
        return;
    }
    fail(outcomeOf(response.failure), http::failureReason(response), response.systemError);
}

FetchResult CSegmentDownloader::failure() {
    std::lock_guard lock(failureMutex_);
    return failure_;
}

http::Request CSegmentDownloader::requestFor(const std::string& url) const {
    http::Request request;
    request.url = url;
    request.userAgent = kUserAgent;
    request.extraHeaders = kRequestHeaders;
    // The parts must hold the resource's bytes, never a compressed form.
    request.refuseContentEncoding = true;
    return request;
}

FetchResult CSegmentDownloader::downloadTask(
    const std::string& url, const std::u16string& target,
    std::atomic<const std::atomic<std::int64_t>*>* counterAddress,
    std::atomic<std::int64_t>* length, int connections) {
    if (counterAddress)
        counterAddress->store(&received_);
    platform::diag("downloaded = &rdownloaded; %" PRIuPTR " \n\r",
                   reinterpret_cast<std::uintptr_t>(&received_));
    {
        std::lock_guard lock(failureMutex_);
        failure_ = FetchResult{};
    }
    const std::string targetPath = platform::utf16ToUtf8(target);
    // Checked before any byte is fetched.
    if (auto problem = platform::problemWithTarget(targetPath)) {
        FetchResult refused;
        refused.outcome = FetchOutcome::TargetRefused;
        refused.reason = problem->reason;
        refused.systemError = problem->systemError;
        return refused;
    }

    std::string note;
    bool freshStart = false;
    for (;;) {
        contentLength_ = 0;
        const Probe probed = probe(url);
        contentLength_ = probed.length;
        if (length)
            length->store(contentLength_);
        if (probed.failure.outcome != FetchOutcome::NotRun)
            return probed.failure;
        expected_ = storableValidators(probed.validators);
        ifRange_ = expected_.forIfRange();
        if (runPlan(url, target, connections, freshStart) == PlanRun::Done)
            break;
        // The file changed under the download: start over once.
        if (freshStart) {
            fail(FetchOutcome::FileChanged, "the file changed on the server during the download");
            break;
        }
        freshStart = true;
        note = kChangedNote;
    }
    FetchResult result = failure();
    if (stopped()) {
        result = FetchResult{};
        result.outcome = FetchOutcome::Stopped;
        result.reason = "stopped";
    }
    if (result.outcome == FetchOutcome::NotRun)
        result.outcome = FetchOutcome::Complete;
    else if (result.outcome == FetchOutcome::FileChanged && note == kChangedNote)
        note.clear();
    result.note = std::move(note);
    result.partsKept = !result.ok() && anyPartWithBytes(target);
    return result;
}

// The length probe: a plain GET whose headers are read and whose body is
// not.
CSegmentDownloader::Probe CSegmentDownloader::probe(const std::string& url) {
    Probe result;
    http::Callbacks callbacks;
    callbacks.onHeaders = [](const http::Response&) { return false; };
    callbacks.onBody = [](const char*, std::size_t) { return false; };
    callbacks.keepGoing = [this] { return !stopped(); };
    const http::Response response = http::fetch(requestFor(url), callbacks);
    FetchResult& failure = result.failure;
    if (stopped()) {
        failure.outcome = FetchOutcome::Stopped;
        failure.reason = "stopped";
    } else if (response.status == 0 || response.failure == http::Failure::RefusedEncoding) {
        failure.outcome = outcomeOf(response.failure);
        failure.reason = http::failureReason(response);
        failure.systemError = response.systemError;
    } else if (response.status < 200 || response.status > 299) {
        failure.outcome = FetchOutcome::HttpError;
        failure.reason = http::statusDescription(response);
        failure.httpStatus = response.status;
    } else if (response.contentLength <= 31) {
        failure.outcome = FetchOutcome::NoLength;
        failure.reason = response.contentLength < 0
                             ? "the server declared no length"
                             : "the server declared a length of " +
                                   std::to_string(response.contentLength) + " bytes";
        result.length = std::max<std::int64_t>(response.contentLength, 0);
    } else {
        result.length = response.contentLength;
        result.validators = http::validatorsOf(http::parseHeaders(response.rawHeaders));
    }
    return result;
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
    // Boundaries on whole alignment units let the join share blocks; a file
    // too small for a unit per segment is cut in plain equal ranges.
    const std::int64_t equal = length / count;
    const std::int64_t segmentLength =
        equal >= kSegmentAlignment ? equal / kSegmentAlignment * kSegmentAlignment : equal;
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

// Decides what each existing part is worth: a part is continued only when
// its stamp names this plan and the server's current validators. Returns
// the bytes kept per segment; `validatorsChanged` tells that a stamp named
// other validators, in which case no part is kept.
std::vector<std::int64_t> CSegmentDownloader::prepareParts(const std::vector<SegmentInfo>& segments,
                                                           const std::string& target,
                                                           bool& validatorsChanged) {
    PartStamps stamps(target);
    std::vector<std::int64_t> have(segments.size(), 0);
    validatorsChanged = false;
    for (std::size_t i = 0; i < segments.size(); ++i) {
        const SegmentInfo& segment = segments[i];
        const std::string part = platform::utf16ToUtf8(segment.partPath);
        have[i] = fileSize(part);
        if (have[i] == 0)
            continue;
        const auto stamp = stamps.load(static_cast<int>(i), part);
        const PartStamp planned{contentLength_, segment.start, segment.end, expected_};
        if (stamp && stamp->samePlan(planned) && stamp->validators != expected_)
            validatorsChanged = true;
        if (!stamp || !stamp->samePlan(planned) || have[i] > segment.length())
            have[i] = 0;
    }
    if (validatorsChanged)
        std::fill(have.begin(), have.end(), 0);
    std::vector<std::string> paths;
    std::vector<PartStamp> planned;
    for (std::size_t i = 0; i < segments.size(); ++i) {
        const std::string part = platform::utf16ToUtf8(segments[i].partPath);
        if (have[i] == 0)
            ::unlink(part.c_str());  // nothing of it is trusted
        paths.push_back(part);
        planned.push_back({contentLength_, segments[i].start, segments[i].end, expected_});
    }
    std::string reason;
    if (!stamps.saveAll(paths, planned, &reason))
        platform::diag("\r\nthe parts cannot be stamped (%s): a later run fetches them anew\n",
                       reason.c_str());
    return have;
}

CSegmentDownloader::PlanRun CSegmentDownloader::runPlan(const std::string& url,
                                                        const std::u16string& target,
                                                        int connections, bool freshStart) {
    finishedCount_ = 0;
    rangeRefused_ = false;
    fileChanged_ = false;
    const std::string targetPath = platform::utf16ToUtf8(target);
    const auto segments = planSegments(url, target, contentLength_, connections);
    if (!freshStart)
        recoverInterruptedJoin(segments.front(), target);
    bool validatorsChanged = false;
    const std::vector<std::int64_t> have = prepareParts(segments, targetPath, validatorsChanged);
    if (validatorsChanged && !freshStart)
        return PlanRun::FileChanged;
    std::vector<std::thread> workers;
    for (std::size_t i = 0; i < segments.size(); ++i) {
        platform::diag("\r\n----------start:%" PRId64 "    end:%" PRId64 "-------------%zu",
                       segments[i].start, segments[i].end, i);
        try {
            workers.emplace_back(
                [this, &segment = segments[i], kept = have[i]] { segmentWorker(segment, kept); });
        } catch (const std::system_error&) {
            fail(FetchOutcome::NetworkError, "no thread could be started for a connection");
            break;  // the missing segments stay incomplete
        }
    }
    for (std::thread& worker : workers)
        worker.join();
    std::fflush(stdout);
    if (stopped())
        return PlanRun::Done;
    if (fileChanged_)
        return PlanRun::FileChanged;
    const auto count = static_cast<int>(segments.size());
    bool written = false;
    if (finishedCount_ == count) {
        written = joinParts(segments, target);
    } else if (rangeRefused_ && failure().outcome == FetchOutcome::NotRun) {
        platform::diag("\r\nthe server ignores Range: one connection over the whole file\n");
        written = fetchWholeFile(url, target);
        if (fileChanged_)
            return PlanRun::FileChanged;
    } else if (failure().outcome == FetchOutcome::NotRun) {
        fail(FetchOutcome::NetworkError, "a segment stayed incomplete");
    }
    if (written)
        removeParts(target, count);
    return PlanRun::Done;
}

void CSegmentDownloader::removeParts(const std::u16string& target, int count) {
    // Releasing a large part's pages takes a while: release them at once.
    forEachInParallel(static_cast<std::size_t>(count), [&](std::size_t i) {
        ::unlink(platform::utf16ToUtf8(partPathFor(target, static_cast<int>(i))).c_str());
    });
    PartStamps(platform::utf16ToUtf8(target)).removeControlFile();
}

bool CSegmentDownloader::fetchWholeFile(const std::string& url, const std::u16string& target) {
    const SegmentInfo whole{url, partPathFor(target, 0), 0, contentLength_};
    const std::string part = platform::utf16ToUtf8(whole.partPath);
    const int fd = ::open(part.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        const int error = errno;
        fail(FetchOutcome::WriteFailed, "cannot create " + part + ": " + systemErrorText(error),
             error);
        return false;
    }
    std::int64_t have = 0;
    const FetchEnd end = fetchWithRetries(whole, fd, have, false);
    ::close(fd);
    return end == FetchEnd::Complete && !stopped() && joinParts({whole}, target);
}

void CSegmentDownloader::segmentWorker(const SegmentInfo& segment, std::int64_t have) {
    const std::string part = platform::utf16ToUtf8(segment.partPath);
    const std::int64_t length = segment.length();
    platform::diag("\r\n----------nFile:%" PRId64 "    nSec:%" PRId64 "-------------%s", have,
                   length, part.c_str());
    if (have == length) {
        platform::diag("the file is complete: the download has ended\n");
        ++finishedCount_;
        return;
    }
    const int fd = ::open(part.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) {
        const int error = errno;
        fail(FetchOutcome::WriteFailed, "cannot open " + part + ": " + systemErrorText(error),
             error);
        return;
    }
    if (::ftruncate(fd, have) != 0)  // bytes beyond `have` are not trusted
        have = 0;
    platform::diag("\r\n----------downl:%" PRId64 "    wei:%" PRId64 "-------------%s",
                   segment.start + have, segment.end, part.c_str());
    const FetchEnd end = fetchWithRetries(segment, fd, have, true);
    ::close(fd);
    if (end == FetchEnd::RangeRefused)
        rangeRefused_ = true;
    if (end == FetchEnd::FileChanged)
        fileChanged_ = true;
    if (have == length)
        ++finishedCount_;
}

// Requests the rest of the segment until it is complete. A connection that
// breaks is opened again after a pause that grows while no byte arrives in
// between; a pause of the download closes the connection and the next
// request starts where the part ends.
CSegmentDownloader::FetchEnd CSegmentDownloader::fetchWithRetries(const SegmentInfo& segment,
                                                                  int fd, std::int64_t& have,
                                                                  bool ranged) {
    const platform::TransferLimits limits = platform::transferLimits();
    int attemptsWithoutProgress = 0;
    for (;;) {
        if (!waitWhilePaused())
            return FetchEnd::Stopped;
        const std::int64_t before = have;
        Broken broken;
        const FetchEnd end = fetchInto(segment, fd, have, ranged, broken);
        if (end != FetchEnd::Retry && end != FetchEnd::Paused)
            return end;
        if (end == FetchEnd::Paused)
            continue;
        if (have > before)
            attemptsWithoutProgress = 0;
        if (attemptsWithoutProgress == limits.reconnectsWithoutProgress) {
            fail(FetchOutcome::NetworkError,
                 broken.reason + " (" + std::to_string(attemptsWithoutProgress) +
                     " reconnects without progress)",
                 broken.systemError);
            return FetchEnd::Fatal;
        }
        ++attemptsWithoutProgress;
        if (!pauseBeforeReconnect(limits.reconnectPause(attemptsWithoutProgress)))
            return FetchEnd::Stopped;
    }
}

bool CSegmentDownloader::pauseBeforeReconnect(std::chrono::milliseconds pause) {
    std::unique_lock lock(pauseMutex_);
    pauseChanged_.wait_for(lock, pause, [this] { return paused_ || stopped(); });
    return !stopped();
}

CSegmentDownloader::FetchEnd CSegmentDownloader::fetchInto(const SegmentInfo& segment, int fd,
                                                           std::int64_t& have, bool ranged,
                                                           Broken& broken) {
    const std::int64_t length = segment.length();
    const std::int64_t first = segment.start + have;
    http::Request request = requestFor(segment.url);
    request.stallTimeoutSeconds =
        stallTimeoutSeconds_ > 0
            ? stallTimeoutSeconds_
            : std::max<long>(
                  1, static_cast<long>((platform::transferLimits().stall.count() + 999) / 1000));
    request.receiveBufferBytes = kReceiveBufferBytes;
    request.shareRateLimit = true;  // the process-wide download rate applies
    if (ranged) {
        request.rangeFirst = first;
        request.rangeLast = segment.end - 1;
    }
    if (!ifRange_.empty())
        request.extraHeaders += "If-Range: " + ifRange_ + "\r\n";
    // A whole-file answer is read from its start; what the part holds is
    // skipped.
    std::int64_t toSkip = ranged ? 0 : have;
    std::optional<FetchEnd> verdict;
    bool pausedHere = false;
    int writeError = 0;
    http::Callbacks callbacks;
    // The server may ignore Range, answer another range or another version
    // of the file: never write at a guessed offset.
    callbacks.onHeaders = [&](const http::Response& answer) {
        const auto headers = http::parseHeaders(answer.rawHeaders);
        const http::Validators validators = storableValidators(http::validatorsOf(headers));
        const bool otherVersion =
            !validators.empty() && !expected_.empty() && validators != expected_;
        if (answer.status == 206 && ranged) {
            const std::string* value = http::findHeader(headers, "content-range");
            const auto range = value ? http::parseContentRange(*value) : std::nullopt;
            if (otherVersion || (range && range->total >= 0 && range->total != contentLength_))
                verdict = FetchEnd::FileChanged;
            else if (!range || range->first != first)
                verdict = FetchEnd::Fatal;
            if (verdict == FetchEnd::Fatal)
                fail(FetchOutcome::WrongRange, "the server answered bytes " +
                                                   (value ? *value : std::string("?")) +
                                                   " when asked for " + std::to_string(first) +
                                                   "-" + std::to_string(segment.end - 1));
            return !verdict;
        }
        if (answer.status == 200) {
            const bool otherLength =
                answer.contentLength >= 0 && answer.contentLength != contentLength_;
            if (otherVersion || otherLength)
                verdict = FetchEnd::FileChanged;
            else if (ranged)
                verdict = FetchEnd::RangeRefused;  // the same file, but Range is ignored
            return !verdict;
        }
        verdict = FetchEnd::Fatal;
        fail(FetchOutcome::HttpError, http::failureReason(answer), 0, answer.status);
        return false;
    };
    callbacks.onBody = [&](const char* data, std::size_t size) {
        if (toSkip > 0) {
            const auto skipped = static_cast<std::size_t>(
                std::min<std::int64_t>(toSkip, static_cast<std::int64_t>(size)));
            toSkip -= static_cast<std::int64_t>(skipped);
            data += skipped;
            size -= skipped;
        }
        const auto room = static_cast<std::size_t>(length - have);
        const std::size_t useful = std::min(size, room);
        if (!platform::writeAllAt(fd, data, useful, have)) {
            writeError = errno;
            return false;
        }
        have += static_cast<std::int64_t>(useful);
        received_ += static_cast<std::int64_t>(useful);
        return useful == size;  // more than the segment is not what was asked for
    };
    callbacks.keepGoing = [&] {
        if (stopped() || fileChanged_)
            return false;
        if (!ranged)
            return waitWhilePaused();  // a whole-file answer is held, not closed
        pausedHere = isPaused();
        return !pausedHere;
    };
    const http::Response response = http::fetch(request, callbacks);
    if (verdict)
        return *verdict;
    if (fileChanged_)
        return FetchEnd::FileChanged;  // another connection saw a new version
    if (writeError != 0) {
        fail(FetchOutcome::WriteFailed,
             "cannot write " + platform::utf16ToUtf8(segment.partPath) + ": " +
                 systemErrorText(writeError),
             writeError);
        return FetchEnd::Fatal;
    }
    if (have == length)
        return FetchEnd::Complete;
    if (stopped())
        return FetchEnd::Stopped;
    if (pausedHere)
        return FetchEnd::Paused;
    if (!isRetryable(response.failure)) {
        failFrom(response);
        return FetchEnd::Fatal;
    }
    broken.reason = response.failure == http::Failure::None
                        ? "the answer from " + segment.url + " ended early"
                        : http::failureReason(response);
    broken.systemError = response.systemError;
    return FetchEnd::Retry;
}

std::atomic<platform::CopyMethod> CSegmentDownloader::joinMethod_{platform::CopyMethod::Clone};

void CSegmentDownloader::setJoinMethodForTesting(platform::CopyMethod fastest) {
    joinMethod_ = fastest;
}

bool CSegmentDownloader::joinSegment(const SegmentInfo& segment, int targetFd) {
    const std::string part = platform::utf16ToUtf8(segment.partPath);
    const int fd = ::open(part.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const std::int64_t copied =
        platform::copyFileBytes(fd, targetFd, segment.start, segment.length(), joinMethod_.load());
    const int error = errno;
    ::close(fd);
    errno = error;
    if (copied >= 0 && copied < segment.length())
        errno = ENODATA;  // the part is shorter than its segment
    return copied == segment.length();
}

// Part 0 already holds its bytes at offset 0: it is renamed to a file
// beside the target, the other parts are appended at their offsets (their
// blocks shared where the file system can, else copied), and the
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
            fail(FetchOutcome::WriteFailed, "the part " + part + " is missing or short");
            return false;
        }
    }
    const std::string joining = joiningPathFor(target);
    const std::string targetPath = platform::utf16ToUtf8(target);
    const std::string firstPart = platform::utf16ToUtf8(segments.front().partPath);
    const auto failJoin = [&](const std::string& what, int error) {
        fail(FetchOutcome::WriteFailed, what + ": " + systemErrorText(error), error);
        return false;
    };
    if (::rename(firstPart.c_str(), joining.c_str()) != 0)
        return failJoin("cannot rename " + firstPart, errno);
    const int fd = ::open(joining.c_str(), O_WRONLY | O_CLOEXEC);
    bool ok = fd >= 0 && ::ftruncate(fd, segments.front().length()) == 0;
    int error = ok ? 0 : errno;
    // One after another: writers of one file take turns on its lock anyway,
    // and concurrent ones only spin on it.
    for (std::size_t i = 1; ok && i < segments.size(); ++i) {
        ok = joinSegment(segments[i], fd);
        error = ok ? 0 : errno;
    }
    if (fd >= 0 && ::close(fd) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (ok && ::rename(joining.c_str(), targetPath.c_str()) != 0) {
        restoreFirstPart(segments.front(), joining);
        return failJoin("cannot rename " + joining + " to " + targetPath, errno);
    }
    if (!ok) {
        restoreFirstPart(segments.front(), joining);
        return failJoin("cannot write " + joining, error);
    }
    return true;
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
    platform::diag("------------%x-------%x---", paused_ ? 1u : 0u, 1u);
    paused_ = true;
    pauseChanged_.notify_all();  // cuts a reconnect pause short
}

void CSegmentDownloader::resumeWorkers() {
    std::lock_guard lock(pauseMutex_);
    platform::diag("------------%x-------%x---", paused_ ? 1u : 0u, 0u);
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
