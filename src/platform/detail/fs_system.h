#pragma once
// The system calls behind the portable whole-file read of fs.cpp, one set per
// platform (fs_posix.cpp, fs_win32.cpp). Only the fs service includes this.

#include <cstddef>
#include <cstdint>
#include <expected>
#include <filesystem>

#include "platform/detail/stream_io.h"
#include "platform/fs.h"

namespace wv::fs_system {

using File = detail::UniqueStream;

// Opens `path` (NUL-free) for reading only, shared with writers and deleters,
// without blocking on a FIFO or a device.
std::expected<File, ReadFailure> open_for_reading(const std::filesystem::path::string_type& path);
// The size of an open regular file; NotRegular for anything else.
std::expected<std::uint64_t, ReadFailure> regular_file_size(const File& file);
// Reads up to `size` bytes; 0 at the end of the file.
std::expected<std::size_t, ReadFailure> read_some(const File& file, char* buffer, std::size_t size);

}  // namespace wv::fs_system
