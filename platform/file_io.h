// Bulk file writes and copies on file descriptors, with every short write
// and interruption handled.
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

// Writes all `size` bytes at `offset` (pwrite); false on a write error, with
// errno set.
bool writeAllAt(int fd, const char* data, std::size_t size, std::int64_t offset);

// Appends all `size` bytes at the file position (write); false on a write
// error, with errno set.
bool writeAll(int fd, const char* data, std::size_t size);

// Copies `length` bytes from the start of `from` to offset `toOffset` of
// `to`, in the kernel where the file systems allow it, otherwise in 1 MiB
// blocks. Returns the bytes copied (fewer when `from` ends early), or -1 on
// a read or write error, with errno set.
std::int64_t copyFileBytes(int from, int to, std::int64_t toOffset, std::int64_t length);

}  // namespace platform
