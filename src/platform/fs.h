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
  Missing,     // no such file
  NotRegular,  // a directory, FIFO, device or socket
  TooLarge,    // larger than the caller's limit
  Io,          // could not be opened or read
};

// Opens a regular file for reading only, sharing read, write and delete access
// with other processes, reads it whole and closes it. Never blocks on a FIFO or
// a device. Files larger than `max_bytes` are refused without being read.
std::expected<std::string, ReadFailure> read_regular_file(const std::filesystem::path& p,
                                                          std::size_t max_bytes);

}  // namespace wv
