// Bulk file writes and copies on file descriptors, with every short write
// and interruption handled.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

namespace platform {

// Writes all `size` bytes at `offset` (pwrite); false on a write error, with
// errno set.
bool writeAllAt(int fd, const char* data, std::size_t size, std::int64_t offset);

// Appends all `size` bytes at the file position (write); false on a write
// error, with errno set.
bool writeAll(int fd, const char* data, std::size_t size);

// How copyFileBytes moves bytes, fastest first. Each falls back to the next
// where the file systems do not offer it.
enum class CopyMethod {
    // Shares the blocks (FICLONERANGE: btrfs, XFS): no byte is copied. Only
    // for block-aligned offsets, and a length that is aligned or runs to the
    // end of `from`.
    Clone,
    Kernel,  // copy_file_range: the kernel copies, no pass through user space
    Blocks,  // pread and pwrite in 1 MiB blocks
};

// Copies `length` bytes from the start of `from` to offset `toOffset` of
// `to`, by the fastest method from `fastest` on that the file systems
// allow. Returns the bytes copied (fewer when `from` ends early), or -1 on
// a read or write error, with errno set.
std::int64_t copyFileBytes(int from, int to, std::int64_t toOffset, std::int64_t length,
                           CopyMethod fastest = CopyMethod::Kernel);

// Renames `from` to `to` only when no file of that name exists: a plain
// rename would replace the other file and lose it. On failure nothing
// changes and `error` (when given) says why ("File exists" for a taken
// name).
bool renameWithoutReplacing(const std::filesystem::path& from, const std::filesystem::path& to,
                            std::string* error = nullptr);

}  // namespace platform
