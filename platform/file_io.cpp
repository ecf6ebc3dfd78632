#include "file_io.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <stdio.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

namespace platform {
namespace {

constexpr std::size_t kCopyBlock = 1 << 20;

// Calls write(data, size) -> written until every byte is written.
template <typename WriteFn>
bool writeInFull(const char* data, std::size_t size, WriteFn write) {
    while (size > 0) {
        const ssize_t written = write(data, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written == 0)
            errno = ENOSPC;  // nothing written and no error: the disk is full
        if (written <= 0)
            return false;
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

// Shares the blocks of the whole range, or nothing: false when the file
// systems cannot (another file system, no reflinks, an unaligned range).
bool cloneRange(int from, int to, std::int64_t toOffset, std::int64_t length) {
    struct stat source;
    if (length <= 0 || ::fstat(from, &source) != 0 || source.st_size < length)
        return false;
    file_clone_range range{};
    range.src_fd = from;
    range.src_offset = 0;
    range.src_length = static_cast<std::uint64_t>(length);
    range.dest_offset = static_cast<std::uint64_t>(toOffset);
    // A range the kernel can only clone in part fails as a whole (EINVAL);
    // the copy after it writes every byte of the range again.
    return ::ioctl(to, FICLONERANGE, &range) == 0;
}

// copy_file_range; the offset reached in `in`, or -1 on an error other than
// the file systems' not offering it, which leaves the rest to the caller.
std::int64_t kernelCopy(int from, int to, std::int64_t toOffset, std::int64_t length,
                        bool& sourceEnded) {
    loff_t in = 0;
    loff_t out = toOffset;
    while (in < length) {
        ssize_t n =
            ::copy_file_range(from, &in, to, &out, static_cast<std::size_t>(length - in), 0);
        if (n > 0)
            continue;
        if (n == 0) {
            sourceEnded = true;
            return in;
        }
        if (errno == EINTR)
            continue;
        if (errno != EXDEV && errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP)
            return -1;
        break;  // copy the rest through user space
    }
    return in;
}

}  // namespace

bool writeAllAt(int fd, const char* data, std::size_t size, std::int64_t offset) {
    return writeInFull(data, size, [&](const char* from, std::size_t count) {
        const ssize_t written = ::pwrite(fd, from, count, offset);
        offset += written > 0 ? written : 0;
        return written;
    });
}

bool writeAll(int fd, const char* data, std::size_t size) {
    return writeInFull(
        data, size, [&](const char* from, std::size_t count) { return ::write(fd, from, count); });
}

std::int64_t copyFileBytes(int from, int to, std::int64_t toOffset, std::int64_t length,
                           CopyMethod fastest) {
    if (fastest == CopyMethod::Clone && cloneRange(from, to, toOffset, length))
        return length;
    std::int64_t in = 0;
    if (fastest != CopyMethod::Blocks) {
        bool sourceEnded = false;
        in = kernelCopy(from, to, toOffset, length, sourceEnded);
        if (in < 0 || sourceEnded)
            return in;
    }
    std::int64_t out = toOffset + in;
    std::vector<char> buffer(kCopyBlock);
    while (in < length) {
        const auto want = static_cast<std::size_t>(std::min<std::int64_t>(kCopyBlock, length - in));
        ssize_t n = ::pread(from, buffer.data(), want, in);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n < 0 ? -1 : in;
        if (!writeAllAt(to, buffer.data(), static_cast<std::size_t>(n), out))
            return -1;
        in += n;
        out += n;
    }
    return in;
}

bool renameWithoutReplacing(const std::filesystem::path& from, const std::filesystem::path& to,
                            std::string* error) {
    int result = ::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE);
    if (result != 0 && (errno == EINVAL || errno == ENOSYS)) {
        // A file system without the flag: a hard link fails on a taken name
        // just the same, and the old name is dropped only once it holds.
        result = ::link(from.c_str(), to.c_str());
        if (result == 0 && ::unlink(from.c_str()) != 0) {
            const int saved = errno;
            ::unlink(to.c_str());
            errno = saved;
            result = -1;
        }
    }
    if (result != 0 && error)
        *error = std::strerror(errno);
    return result == 0;
}

}  // namespace platform
