#pragma once
// File metadata, well-known locations and whole-file reading.

#include <cstddef>
#include <expected>
#include <filesystem>
#include <optional>
#include <string>

#include "platform/os_error.h"

namespace wv {

// True when the path's metadata can be read (links followed) and it is not a
// directory. A path whose metadata cannot be read counts as missing.
bool is_existing_non_directory(const std::filesystem::path& p);

// Full path of the running executable, or nothing if the OS won't say.
std::optional<std::filesystem::path> current_exe_path();

// The system's temporary directory as the OS reports it, or nothing.
std::optional<std::filesystem::path> temp_dir();

enum class ReadFailure {
  Missing,     // no such file, or a name that cannot name one (it holds a NUL)
  NotRegular,  // a directory, FIFO, device or socket
  TooLarge,    // larger than the caller's limit
  Io,          // could not be opened or read
};

// Opens a regular file for reading only, sharing read, write and delete access
// with other processes, reads it whole into `content` and closes it. Never
// blocks on a FIFO or a device. A file larger than `max_bytes` is refused
// without being read, and so is one that grows past it while it is read.
//
// `content` is replaced, and its capacity reused, so that a caller reading
// many files can keep one buffer for all of them; after a failure it holds
// whatever had been read. A file is read in one call whenever the size that
// the system reports for it is still right.
std::expected<void, ReadFailure> read_regular_file(const std::filesystem::path::string_type& path,
                                                   std::size_t max_bytes, std::string& content);

}  // namespace wv
