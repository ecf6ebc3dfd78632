#include "platform/atomic_file.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

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

namespace {

// Renames without ever replacing `to`: false with errno EEXIST when it is
// taken. File systems without an exclusive rename fall back to a check
// first, which only a simultaneous writer of the same name could race.
bool renameWithoutReplacing(const std::filesystem::path& from, const std::filesystem::path& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    if (::access(to.c_str(), F_OK) == 0) {
        errno = EEXIST;
        return false;
    }
    return ::rename(from.c_str(), to.c_str()) == 0;
}

}  // namespace

std::filesystem::path keepAside(const std::filesystem::path& damaged) {
    for (int number = 0;; ++number) {
        std::filesystem::path aside = damaged;
        aside += number == 0 ? std::string(".bad") : ".bad" + std::to_string(number);
        if (renameWithoutReplacing(damaged, aside))
            return aside;
        if (errno != EEXIST)
            return {};
    }
}

}  // namespace platform
