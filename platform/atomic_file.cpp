#include "platform/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace platform {
namespace {

bool fail(std::string* error, const std::string& what) {
    if (error)
        *error = what + ": " + std::strerror(errno);
    return false;
}

bool writeAll(int fd, std::string_view data) {
    while (!data.empty()) {
        ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

}  // namespace

bool writeFileAtomically(const std::filesystem::path& target, std::string_view data,
                         std::string* error) {
    std::filesystem::path temporary = target;
    temporary += ".XXXXXX";
    std::string pattern = temporary.string();
    int fd = mkstemp(pattern.data());
    if (fd < 0)
        return fail(error, "cannot create " + pattern);
    // mkstemp creates 0600; list files are ordinary user files.
    fchmod(fd, 0644);
    const bool written = writeAll(fd, data) && ::fsync(fd) == 0;
    const int savedErrno = errno;
    if (::close(fd) != 0 || !written) {
        errno = written ? errno : savedErrno;
        ::unlink(pattern.c_str());
        return fail(error, "cannot write " + pattern);
    }
    if (::rename(pattern.c_str(), target.c_str()) != 0) {
        const int renameErrno = errno;
        ::unlink(pattern.c_str());
        errno = renameErrno;
        return fail(error, "cannot replace " + target.string());
    }
    return true;
}

std::filesystem::path keepAside(const std::filesystem::path& damaged) {
    std::filesystem::path aside = damaged;
    aside += ".bad";
    std::error_code code;
    std::filesystem::rename(damaged, aside, code);
    return code ? std::filesystem::path{} : aside;
}

}  // namespace platform
