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

// Copies `length` bytes from the start of `from` to offset `toOffset` of
// `to`, in the kernel where the file systems allow it, otherwise in 1 MiB
// blocks. Returns the bytes copied (fewer when `from` ends early), or -1 on
// a read or write error, with errno set.
std::int64_t copyFileBytes(int from, int to, std::int64_t toOffset, std::int64_t length);

// Renames `from` to `to` only when no file of that name exists: a plain
// rename would replace the other file and lose it. On failure nothing
// changes and `error` (when given) says why ("File exists" for a taken
// name).
bool renameWithoutReplacing(const std::filesystem::path& from, const std::filesystem::path& to,
                            std::string* error = nullptr);

}  // namespace platform
