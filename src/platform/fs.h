#pragma once
// Files: metadata, well-known locations, whether two paths name one file, and
// whole-file reading.

#include <cstddef>
#include <cstdint>
#include <expected>
#include <filesystem>
#include <optional>
#include <string>

#include "platform/stream.h"
#include "platform/text.h"

namespace wv {

// True when the path's metadata can be read (links followed) and it is not a
// directory. A path whose metadata cannot be read counts as missing.
bool is_existing_non_directory(const std::filesystem::path& p);

// True when both paths can be opened and lead to the same file (links,
// relative forms and differences of case followed to the file itself).
bool is_same_file(const std::filesystem::path& a, const std::filesystem::path& b);

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
std::expected<void, ReadFailure> read_regular_file(const NativeString& path, std::size_t max_bytes,
                                                   std::string& content);

// The system calls that read_regular_file is made of, with none of its
// checks: a file opened as it opens one, its size, a read.
class ReadableFile {
 public:
  // Opens `path`, which holds no NUL, for reading only, sharing read, write
  // and delete access, without blocking on a FIFO or a device.
  static std::expected<ReadableFile, ReadFailure> open(const NativeString& path);
  // The size of a regular file; NotRegular for anything else.
  std::expected<std::uint64_t, ReadFailure> regular_size() const;
  // Reads up to `size` bytes; 0 at the end of the file.
  std::expected<std::size_t, ReadFailure> read_some(char* buffer, std::size_t size) const;

 private:
  explicit ReadableFile(UniqueStream stream) : stream_(std::move(stream)) {}
  UniqueStream stream_;
};

}  // namespace wv
