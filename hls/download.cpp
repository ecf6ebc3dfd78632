// The segment download: a supervisor thread prepares the work folder and
// runs a fixed pool of workers, each with one kept-alive connection, that
// take the missing pieces one after another.
#include "hls/aes.h"
#include "hls/internal.h"
#include "hls/work_folder.h"
#include "platform/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <map>
#include <mutex>
#include <system_error>
#include <thread>

namespace hls {
namespace {

namespace http = platform::http;
using detail::Block;
using detail::Piece;

// Fewer, larger writes; one buffer per connection.
constexpr long kReceiveBufferBytes = 256 * 1024;
// A key is 16 bytes; an answer longer than this is not a key.
constexpr std::size_t kMaxKeyAnswer = 1024;

// What one piece is fetched from.
struct Source {
    std::string uri;
    ByteRange range;
    int key = -1;
    std::int64_t sequence = 0;  // for the IV when the key has none
};

Source sourceOf(const MediaPlaylist& playlist, const Piece& piece) {
    if (piece.isInit) {
        const InitSection& init = playlist.initSections[piece.index];
        // An encrypted section needs an explicit IV (RFC 8216, 4.3.2.4);
        // without one, the sequence number of the first segment stands in.
        return {init.uri, init.range, init.key, playlist.mediaSequence};
    }
    const Segment& segment = playlist.segments[piece.index];
    return {segment.uri, segment.range, segment.key, segment.sequence};
}

std::string describe(const Piece& piece, const Track& track, std::size_t trackCount,
                     const std::string& uri) {
    std::string text = piece.isInit ? "initialisation section " : "segment ";
    text += std::to_string(piece.index);
    if (trackCount > 1)
        text += " of the " + track.role;
    return text + " (" + uri + ")";
}

// True when the answer's Content-Range starts at `first`.
bool contentRangeStartsAt(const std::string& rawHeaders, std::int64_t first) {
    const auto headers = http::parseHeaders(rawHeaders);
    const std::string* value = http::findHeader(headers, "Content-Range");
    const auto range = value ? http::parseContentRange(*value) : std::nullopt;
    return range && range->first == first;
}

// Keys by URI, fetched once per download and shared by the workers.
class KeyStore {
public:
    Result get(const Key& key, http::Connection& connection, const RequestOptions& options,
               const http::ContinuePredicate& keepGoing, Block& out) {
        std::lock_guard lock(mutex_);
        if (auto known = keys_.find(key.uri); known != keys_.end()) {
            out = known->second;
            return {};
        }
        std::string body;
        http::Callbacks callbacks;
        callbacks.onBody = [&](const char* data, std::size_t size) {
            body.append(data, std::min(size, kMaxKeyAnswer + 1 - body.size()));
            return body.size() <= kMaxKeyAnswer;
        };
        callbacks.keepGoing = keepGoing;
        http::Request request = detail::makeRequest(key.uri, options);
        const http::Response response = connection.fetch(request, callbacks);
        const std::string subject = "key " + key.uri;
        if (body.size() <= kMaxKeyAnswer) {
            if (Result fetched = detail::fromResponse(response, {}); !fetched.ok()) {
                if (fetched.failure == Failure::Stopped)
                    return fetched;
                Result result = detail::failure(Failure::Key, fetched.message(), subject);
                result.httpStatus = fetched.httpStatus;
                return result;
            }
        }
        if (body.size() != out.size())
            return detail::failure(
                Failure::Key,
                "the answer is " +
                    (body.size() > kMaxKeyAnswer ? std::string("over 1 KiB")
                                                 : std::to_string(body.size()) + " bytes") +
                    ", a key is 16",
                subject);
        std::copy(body.begin(), body.end(), out.begin());
        keys_.emplace(key.uri, out);
        return {};
    }

private:
    std::mutex mutex_;
    std::map<std::string, Block> keys_;
};

}  // namespace

struct Download::State {
    State(std::vector<Track> tracks, std::filesystem::path work, DownloadOptions options)
        : tracks(std::move(tracks)), work(std::move(work)), options(std::move(options)) {}

    const std::vector<Track> tracks;
    const std::filesystem::path work;
    const DownloadOptions options;

    // The pieces not yet on disk; workers take the next one in turn.
    std::vector<Piece> pending;
    std::atomic<std::size_t> nextPending{0};

    std::atomic<std::int64_t> bytesDone{0};
    std::atomic<std::int64_t> bytesThisRun{0};
    std::atomic<std::int64_t> segmentsDone{0};
    std::atomic<std::int64_t> segmentsTotal{0};

    std::atomic<bool> stopRequested{false};
    std::atomic<bool> failed{false};  // a piece failed for good: the others end too
    // Written under `mutex` (waiters rely on it), read without it between blocks.
    std::atomic<bool> paused{false};
    KeyStore keys;

    mutable std::mutex mutex;
    mutable std::condition_variable changed;
    bool started = false;
    bool finished = false;
    Result failure;  // the first piece that failed for good
    Result result;

    std::mutex joinMutex;
    std::thread supervisor;

    bool shouldEnd() const { return stopRequested || failed; }
    bool waitWhilePaused();
    bool sleepUnlessEnded(std::chrono::milliseconds delay);
    void fail(const Result& result);
    void finish(Result outcome);

    void run();
    Result scanWorkFolder();
    void runWorkers();
    void workerLoop();

    class Worker;
};

// One worker of the pool: its connection and its decryptor, reused for
// every piece it fetches.
class Download::State::Worker {
public:
    explicit Worker(State& state) : state_(state) {}

    Result fetchWithRetries(const Piece& piece);

private:
    Result fetchOnce(const Piece& piece, bool& pausedHere);
    bool keepGoing(bool& pausedHere) const;

    State& state_;
    http::Connection connection_;
    detail::Aes128Decryptor decryptor_;
};

bool Download::State::waitWhilePaused() {
    std::unique_lock lock(mutex);
    changed.wait(lock, [this] { return !paused || shouldEnd(); });
    return !shouldEnd();
}

bool Download::State::sleepUnlessEnded(std::chrono::milliseconds delay) {
    std::unique_lock lock(mutex);
    changed.wait_for(lock, delay, [this] { return shouldEnd(); });
    return !shouldEnd();
}

void Download::State::fail(const Result& pieceFailure) {
    std::lock_guard lock(mutex);
    if (!failed) {
        failure = pieceFailure;
        failed = true;
    }
    changed.notify_all();
}

void Download::State::finish(Result outcome) {
    std::lock_guard lock(mutex);
    result = std::move(outcome);
    finished = true;
    changed.notify_all();
}

void Download::State::run() {
    Result outcome = detail::prepareWorkFolder(work, tracks);
    if (outcome.ok())
        outcome = scanWorkFolder();
    if (outcome.ok() && !pending.empty())
        runWorkers();
    if (outcome.ok()) {
        std::lock_guard lock(mutex);
        if (failed)
            outcome = failure;
        else if (segmentsDone < segmentsTotal)
            outcome = detail::failure(Failure::Stopped);
    }
    finish(std::move(outcome));
}

// Counts what earlier runs left complete; everything else is pending.
Result Download::State::scanWorkFolder() {
    const std::vector<Piece> pieces = detail::allPieces(tracks);
    for (const Piece& piece : pieces) {
        const std::filesystem::path path = detail::piecePath(work, tracks[piece.track], piece);
        struct stat info;
        if (::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0) {
            bytesDone += info.st_size;
            ++segmentsDone;
        } else {
            pending.push_back(piece);
        }
    }
    segmentsTotal = static_cast<std::int64_t>(pieces.size());
    return {};
}

void Download::State::runWorkers() {
    const auto wanted = static_cast<std::size_t>(std::clamp(options.connections, 1, 50));
    const std::size_t count = std::min(wanted, pending.size());
    std::vector<std::thread> workers;
    for (std::size_t i = 0; i < count; ++i) {
        try {
            workers.emplace_back([this] { workerLoop(); });
        } catch (const std::system_error&) {
            break;  // fewer workers do the same work
        }
    }
    if (workers.empty())
        workerLoop();
    for (std::thread& worker : workers)
        worker.join();
}

void Download::State::workerLoop() {
    Worker worker(*this);
    while (!shouldEnd()) {
        const std::size_t next = nextPending++;
        if (next >= pending.size())
            return;
        const Result result = worker.fetchWithRetries(pending[next]);
        if (!result.ok() && result.failure != Failure::Stopped) {
            fail(result);
            return;
        }
    }
}

Result Download::State::Worker::fetchWithRetries(const Piece& piece) {
    int failures = 0;
    std::chrono::milliseconds delay = state_.options.retryDelay;
    for (;;) {
        if (!state_.waitWhilePaused())
            return detail::failure(Failure::Stopped);
        bool pausedHere = false;
        Result result = fetchOnce(piece, pausedHere);
        if (result.ok() || state_.shouldEnd())
            return state_.shouldEnd() && !result.ok() ? detail::failure(Failure::Stopped) : result;
        if (pausedHere)
            continue;  // not a failure: fetched again once resumed
        // A full disk or a folder without permission stays so.
        if (result.failure == Failure::System || ++failures > state_.options.retries)
            return result;
        if (!state_.sleepUnlessEnded(delay))
            return detail::failure(Failure::Stopped);
        delay *= 2;
    }
}

bool Download::State::Worker::keepGoing(bool& pausedHere) const {
    if (state_.shouldEnd())
        return false;
    pausedHere = state_.paused;
    return !pausedHere;
}

Result Download::State::Worker::fetchOnce(const Piece& piece, bool& pausedHere) {
    const Track& track = state_.tracks[piece.track];
    const Source source = sourceOf(track.playlist, piece);
    const std::string subject = describe(piece, track, state_.tracks.size(), source.uri);
    const http::ContinuePredicate keepGoing = [&] { return this->keepGoing(pausedHere); };

    const bool encrypted = source.key >= 0;
    if (encrypted) {
        const Key& key = track.playlist.keys[static_cast<std::size_t>(source.key)];
        Block keyBytes{};
        if (Result got =
                state_.keys.get(key, connection_, state_.options.request, keepGoing, keyBytes);
            !got.ok())
            return got;
        if (!decryptor_.begin(keyBytes, key.hasIv ? key.iv : detail::sequenceIv(source.sequence)))
            return detail::failure(Failure::Decrypt, "the cipher could not be set up", subject);
    }

    const std::filesystem::path complete = detail::piecePath(state_.work, track, piece);
    const std::filesystem::path partial = detail::partialPath(complete);
    const int fd = ::open(partial.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return detail::systemFailure(errno, "cannot create " + partial.string(), subject);

    http::Request request = detail::makeRequest(source.uri, state_.options.request);
    request.receiveBufferBytes = kReceiveBufferBytes;
    request.refuseContentEncoding = true;  // the bytes are stored as they are
    request.shareRateLimit = true;         // the process-wide download rate applies
    const ByteRange range = source.range;
    if (range.present()) {
        request.rangeFirst = range.offset;
        request.rangeLast = range.offset + range.length - 1;
    }
    std::int64_t skip = 0;      // bytes of a whole-resource answer before the range
    std::int64_t accepted = 0;  // bytes of the piece received
    std::int64_t written = 0;   // bytes written to the partial file
    bool otherRange = false;
    int writeError = 0;
    const auto write = [&](const char* data, std::size_t size) {
        if (size == 0)
            return true;
        if (!platform::writeAll(fd, data, size)) {
            writeError = errno ? errno : EIO;
            return false;
        }
        written += static_cast<std::int64_t>(size);
        state_.bytesDone += static_cast<std::int64_t>(size);
        return true;
    };

    http::Callbacks callbacks;
    callbacks.onHeaders = [&](const http::Response& answer) {
        if (answer.status < 200 || answer.status > 299 || !range.present())
            return answer.status >= 200 && answer.status <= 299;
        if (answer.status == 206) {
            otherRange = !contentRangeStartsAt(answer.rawHeaders, range.offset);
            return !otherRange;
        }
        skip = range.offset;  // the whole resource: keep only the range
        return true;
    };
    callbacks.onBody = [&](const char* data, std::size_t size) {
        state_.bytesThisRun += static_cast<std::int64_t>(size);
        const auto skipped = static_cast<std::size_t>(std::min<std::int64_t>(skip, size));
        skip -= static_cast<std::int64_t>(skipped);
        data += skipped;
        std::size_t useful = size - skipped;
        if (range.present())
            useful = static_cast<std::size_t>(
                std::min<std::int64_t>(static_cast<std::int64_t>(useful), range.length - accepted));
        accepted += static_cast<std::int64_t>(useful);
        const bool stored = encrypted
                                ? decryptor_.update(data, useful) &&
                                      write(decryptor_.output().data(), decryptor_.output().size())
                                : write(data, useful);
        // Bytes past the range are not ours: the transfer ends there.
        return stored && skipped + useful == size;
    };
    callbacks.keepGoing = keepGoing;
    const http::Response response = connection_.fetch(request, callbacks);

    Result result;
    const bool statusGood = response.status >= 200 && response.status <= 299;
    const bool arrived = range.present() ? statusGood && !otherRange && accepted == range.length
                                         : response.transportOk && statusGood;
    if (writeError) {
        result = detail::systemFailure(writeError, "cannot write " + partial.string(), subject);
    } else if (!arrived) {
        result = otherRange ? detail::failure(Failure::Transport,
                                              "the server answered another byte range", subject)
                            : detail::fromResponse(response, subject);
        if (result.ok() || result.failure == Failure::Stopped)
            result =
                detail::failure(Failure::Transport,
                                response.aborted ? "stopped" : "the answer ended early", subject);
    } else if (accepted == 0) {
        result = detail::failure(Failure::Transport, "an empty answer", subject);
    } else if (encrypted) {
        if (!decryptor_.finish())
            result = detail::failure(Failure::Decrypt, "bad padding", subject);
        else if (!write(decryptor_.output().data(), decryptor_.output().size()))
            result = detail::systemFailure(writeError, "cannot write " + partial.string(), subject);
    }
    if (::close(fd) != 0 && result.ok())
        result = detail::systemFailure(errno, "cannot write " + partial.string(), subject);
    if (result.ok() && ::rename(partial.c_str(), complete.c_str()) != 0)
        result = detail::systemFailure(errno, "cannot rename " + partial.string(), subject);
    if (!result.ok()) {
        ::unlink(partial.c_str());
        state_.bytesDone -= written;
        return result;
    }
    ++state_.segmentsDone;
    return result;
}

Download::Download(std::vector<Track> tracks, std::filesystem::path workFolder,
                   DownloadOptions options)
    : state_(
          std::make_unique<State>(std::move(tracks), std::move(workFolder), std::move(options))) {}

Download::~Download() {
    stop();
}

void Download::start() {
    std::lock_guard lock(state_->mutex);
    if (state_->started)
        return;
    state_->started = true;
    std::string invalid;
    for (std::size_t i = 0; i < state_->tracks.size(); ++i) {
        const std::string& role = state_->tracks[i].role;
        if ((role != "video" && role != "audio") || (i > 0 && role == state_->tracks[0].role))
            invalid = "a track of role \"" + role + "\"";
    }
    if (state_->tracks.empty())
        invalid = "no tracks";
    if (!invalid.empty()) {
        state_->result = detail::failure(Failure::BadPlaylist, invalid);
        state_->finished = true;
        return;
    }
    try {
        state_->supervisor = std::thread([state = state_.get()] { state->run(); });
    } catch (const std::system_error& error) {
        state_->result = detail::systemFailure(error.code().value(), "cannot start a thread");
        state_->finished = true;
    }
}

void Download::pause() {
    std::lock_guard lock(state_->mutex);
    state_->paused = true;
}

void Download::resume() {
    std::lock_guard lock(state_->mutex);
    state_->paused = false;
    state_->changed.notify_all();
}

void Download::stop() {
    {
        std::lock_guard lock(state_->mutex);
        state_->stopRequested = true;
        state_->changed.notify_all();
        if (!state_->started) {
            // Never started: it ends here, and start() has nothing to do.
            state_->started = true;
            state_->result = detail::failure(Failure::Stopped);
            state_->finished = true;
            state_->changed.notify_all();
            return;
        }
    }
    std::lock_guard join(state_->joinMutex);
    if (state_->supervisor.joinable())
        state_->supervisor.join();
}

bool Download::finished() const {
    std::lock_guard lock(state_->mutex);
    return state_->finished;
}

bool Download::waitFor(std::chrono::milliseconds limit) const {
    std::unique_lock lock(state_->mutex);
    return state_->changed.wait_for(lock, limit, [this] { return state_->finished; });
}

Result Download::wait() const {
    std::unique_lock lock(state_->mutex);
    state_->changed.wait(lock, [this] { return state_->finished; });
    return state_->result;
}

Result Download::result() const {
    std::lock_guard lock(state_->mutex);
    return state_->result;
}

std::int64_t Download::bytesDone() const {
    return state_->bytesDone;
}

std::int64_t Download::bytesThisRun() const {
    return state_->bytesThisRun;
}

std::int64_t Download::segmentsDone() const {
    return state_->segmentsDone;
}

std::int64_t Download::segmentsTotal() const {
    return state_->segmentsTotal;
}

}  // namespace hls
