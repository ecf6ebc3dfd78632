#include "rtmp/rtmp_download.h"

#include "platform/target_check.h"
#include "platform/transfer_limits.h"

#include <fcntl.h>
#include <librtmp/log.h>
#include <librtmp/rtmp.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <list>
#include <mutex>
#include <string>
#include <vector>

namespace {

// Ask the server to send ten hours ahead: it sends a stored stream as fast
// as it can instead of in real time.
constexpr int kBufferMs = 36000000;
constexpr int kReadBlock = 64 * 1024;

// Why the calling thread's last download ended.
thread_local std::string lastReason;

const char* describe(int result) {
    switch (result) {
        case kRtmpOk:
            return "";
        case kRtmpBadArguments:
            return "bad arguments";
        case kRtmpBadUrl:
            return "the URL cannot be used";
        case kRtmpConnectFailed:
            return "no connection to the server";
        case kRtmpStreamFailed:
            return "the server would not play the stream";
        case kRtmpTargetFailed:
            return "the target file could not be written";
        case kRtmpIncomplete:
            return "the stream broke off before its end";
        case kRtmpClosed:
            return "closed";
        default:
            return "failed";
    }
}

// librtmp's read timeout, which also bounds the wait for the first byte:
// the first-byte limit in whole seconds.
int readTimeoutSeconds() {
    const auto ms = platform::transferLimits().firstByte.count();
    return static_cast<int>(std::max<long long>(1, (ms + 999) / 1000));
}

// One running download as RtmpClose sees it. It keeps a duplicate of the
// session's socket descriptor: librtmp closes its own descriptor on some
// errors, and a number that was closed may already name another file or
// connection, but the duplicate names this connection until the session
// is unregistered.
struct Session {
    std::atomic<bool> stop{false};
    int socket = -1;
};

std::mutex registryMutex;
std::list<Session*> registry;

void registerSession(Session* session) {
    std::lock_guard lock(registryMutex);
    registry.push_back(session);
}

void unregisterSession(Session* session) {
    std::lock_guard lock(registryMutex);
    registry.remove(session);
    if (session->socket >= 0)
        ::close(session->socket);
    session->socket = -1;
}

void recordSocket(Session* session, int socket) {
    std::lock_guard lock(registryMutex);
    session->socket = ::fcntl(socket, F_DUPFD_CLOEXEC, 0);
    if (session->stop && session->socket >= 0)
        ::shutdown(session->socket, SHUT_RDWR);  // closed between connect and here
}

// A send on a connection the peer (or RtmpClose) has shut down raises
// SIGPIPE, which would end the process.
void ignoreSigpipe() {
    static std::once_flag once;
    std::call_once(once, [] {
        struct sigaction current {};
        if (::sigaction(SIGPIPE, nullptr, &current) == 0 && current.sa_handler == SIG_DFL)
            std::signal(SIGPIPE, SIG_IGN);
        RTMP_LogSetLevel(RTMP_LOGCRIT);
    });
}

template <typename T>
void storeRelaxed(T& field, T value) {
    __atomic_store_n(&field, value, __ATOMIC_RELAXED);
}

void publishProgress(RtmpProgress* progress, std::int64_t bytes, double percent) {
    if (!progress)
        return;
    storeRelaxed(progress->bytes, bytes);
    __atomic_store(&progress->percent, &percent, __ATOMIC_RELAXED);
}

// librtmp option values are separated by blanks; a blank or backslash in a
// value is written as a "\XX" escape.
std::string escapeOption(const std::string& value) {
    std::string out;
    for (char c : value) {
        if (c == ' ' || c == '\\') {
            char escaped[4];
            std::snprintf(escaped, sizeof escaped, "\\%02x", static_cast<unsigned char>(c));
            out += escaped;
        } else {
            out += c;
        }
    }
    return out;
}

// Connects in two steps so that the socket is known to RtmpClose before
// the handshake, which a stalled server may never answer.
bool connectSession(RTMP* rtmp, Session* session) {
    const std::string host(rtmp->Link.hostname.av_val,
                           static_cast<std::size_t>(rtmp->Link.hostname.av_len));
    const std::string port = std::to_string(rtmp->Link.port ? rtmp->Link.port : 1935);
    addrinfo hints{};
    hints.ai_family = AF_INET;  // librtmp's connect takes an IPv4 address
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(host.c_str(), port.c_str(), &hints, &found) != 0 || !found)
        return false;
    sockaddr_in address{};
    std::memcpy(&address, found->ai_addr, sizeof address);
    ::freeaddrinfo(found);
    if (session->stop || !RTMP_Connect0(rtmp, reinterpret_cast<sockaddr*>(&address)))
        return false;
    recordSocket(session, RTMP_Socket(rtmp));
    return !session->stop && RTMP_Connect1(rtmp, nullptr);
}

// What one download keeps until its session is closed.
struct Job {
    std::string targetPath;
    std::string partialPath;  // written while the stream arrives
    int fd = -1;
    int writeError = 0;
    // librtmp keeps pointers into this text until the session is closed.
    std::string link;
};

bool writeAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

int readStream(RTMP* rtmp, Session* session, RtmpRequest* request, Job& job,
               RtmpProgress* progress) {
    std::vector<char> buffer(kReadBlock);
    std::int64_t bytes = 0;
    int read = 0;
    while (!session->stop && (read = RTMP_Read(rtmp, buffer.data(), kReadBlock)) > 0) {
        if (!writeAll(job.fd, buffer.data(), static_cast<std::size_t>(read))) {
            job.writeError = errno;
            return kRtmpTargetFailed;
        }
        bytes += read;
        const double duration = RTMP_GetDuration(rtmp);
        storeRelaxed(request->durationMs, static_cast<std::int32_t>(duration * 1000.0));
        const double percent =
            duration > 0 ? std::min(100.0, rtmp->m_read.timestamp / (duration * 10.0)) : 0.0;
        publishProgress(progress, bytes, percent);
    }
    if (session->stop)
        return kRtmpClosed;
    if (read == 0 && rtmp->m_read.status == RTMP_READ_COMPLETE) {
        publishProgress(progress, bytes, 100.0);
        return kRtmpOk;
    }
    return kRtmpIncomplete;
}

int download(RTMP* rtmp, Session* session, RtmpRequest* request, Job& job, RtmpProgress* progress) {
    job.link = std::string(request->url) + " playpath=" + escapeOption(request->playPath) +
               " buffer=" + std::to_string(kBufferMs) +
               " timeout=" + std::to_string(readTimeoutSeconds());
    if (!RTMP_SetupURL(rtmp, job.link.data()))
        return kRtmpBadUrl;
    if (!connectSession(rtmp, session))
        return session->stop ? kRtmpClosed : kRtmpConnectFailed;
    if (!RTMP_ConnectStream(rtmp, 0) || !RTMP_IsConnected(rtmp))
        return session->stop ? kRtmpClosed : kRtmpStreamFailed;
    job.fd = ::open(job.partialPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (job.fd < 0) {
        job.writeError = errno;
        return kRtmpTargetFailed;
    }
    return readStream(rtmp, session, request, job, progress);
}

// Closes the partial file; a complete stream replaces the target.
int finishTarget(Job& job, int result) {
    if (job.fd < 0)
        return result;
    if (::close(job.fd) != 0 && result == kRtmpOk) {
        job.writeError = errno;
        result = kRtmpTargetFailed;
    }
    job.fd = -1;
    if (result == kRtmpOk && ::rename(job.partialPath.c_str(), job.targetPath.c_str()) != 0) {
        job.writeError = errno;
        result = kRtmpTargetFailed;
    }
    if (result != kRtmpOk)
        ::unlink(job.partialPath.c_str());
    return result;
}

std::string reasonFor(int result, const Job& job) {
    std::string reason = describe(result);
    if (result == kRtmpTargetFailed && job.writeError != 0)
        reason += std::string(": ") + std::strerror(job.writeError);
    return reason;
}

}  // namespace

extern "C" int RtmpDownload(RtmpRequest* request, const char* targetUtf8, RtmpProgress* progress) {
    lastReason.clear();
    if (!request || !request->url || !request->playPath || !targetUtf8 || !*targetUtf8) {
        lastReason = describe(kRtmpBadArguments);
        return kRtmpBadArguments;
    }
    ignoreSigpipe();
    if (auto problem = platform::problemWithTarget(targetUtf8)) {
        lastReason = problem->reason;
        storeRelaxed(request->result, static_cast<std::int32_t>(kRtmpTargetFailed));
        return kRtmpTargetFailed;
    }
    Session session;
    registerSession(&session);
    storeRelaxed(request->durationMs, 0);
    storeRelaxed(request->result, 0);
    publishProgress(progress, 0, 0.0);

    Job job{targetUtf8, std::string(targetUtf8) + ".partial"};
    RTMP* rtmp = RTMP_Alloc();
    int result = kRtmpConnectFailed;
    if (rtmp) {
        RTMP_Init(rtmp);
        result = download(rtmp, &session, request, job, progress);
        // Only this thread closes and frees the session, once RtmpClose can
        // no longer reach its socket.
        unregisterSession(&session);
        RTMP_Close(rtmp);
        RTMP_Free(rtmp);
    }
    unregisterSession(&session);
    result = finishTarget(job, result);
    lastReason = reasonFor(result, job);
    storeRelaxed(request->result, result);
    return result;
}

extern "C" const char* RtmpLastReason() {
    return lastReason.c_str();
}

extern "C" int RtmpClose() {
    std::lock_guard lock(registryMutex);
    for (Session* session : registry) {
        session->stop = true;
        if (session->socket >= 0)
            ::shutdown(session->socket, SHUT_RDWR);
    }
    return static_cast<int>(registry.size());
}
