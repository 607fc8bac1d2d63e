#include "platform/fs.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/detail/grow_buffer.h"

namespace wv {

bool is_existing_non_directory(const std::filesystem::path& p) {
  struct stat st{};
  return ::stat(p.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

// A file is its device and its serial number on that device (POSIX.1-2017,
// XBD <sys/stat.h>: st_ino and st_dev "uniquely identify the file within the
// system"); serial numbers repeat from one file system to the next.
bool is_same_file(const std::filesystem::path& a, const std::filesystem::path& b) {
  struct stat sa{}, sb{};
  if (::stat(a.c_str(), &sa) != 0 || ::stat(b.c_str(), &sb) != 0) return false;
  return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

std::optional<std::filesystem::path> current_exe_path() {
  // readlink() cuts a target too long for the buffer short, and says only
  // that (POSIX.1-2017, XSH readlink()).
  auto path = detail::fill_growing<char>(256, SIZE_MAX, [](char* data, std::size_t size) {
    ssize_t n = ::readlink("/proc/self/exe", data, size);
    return n < 0 ? std::nullopt : std::optional<std::size_t>(static_cast<std::size_t>(n));
  });
  if (!path) return std::nullopt;
  return std::filesystem::path(*path);
}

std::optional<std::filesystem::path> temp_dir() {
  const char* tmpdir = std::getenv("TMPDIR");
  if (tmpdir != nullptr && *tmpdir != '\0') return std::filesystem::path(tmpdir);
  return std::filesystem::path("/tmp");
}

std::expected<ReadableFile, ReadFailure> ReadableFile::open(const NativeString& path) {
  // O_NONBLOCK so that opening a FIFO with no writer returns at once
  // (POSIX.1-2017, XSH open()); its size is then refused as not a regular
  // file's.
  UniqueStream fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
  if (!fd) return std::unexpected(errno == ENOENT || errno == ENOTDIR ? ReadFailure::Missing : ReadFailure::Io);
  return ReadableFile(std::move(fd));
}

std::expected<std::uint64_t, ReadFailure> ReadableFile::regular_size() const {
  struct stat st{};
  if (::fstat(static_cast<int>(stream_.get()), &st) != 0) return std::unexpected(ReadFailure::Io);
  if (!S_ISREG(st.st_mode)) return std::unexpected(ReadFailure::NotRegular);
  return static_cast<std::uint64_t>(st.st_size);
}

std::expected<std::size_t, ReadFailure> ReadableFile::read_some(char* buffer, std::size_t size) const {
  if (std::optional<std::size_t> n = wv::read_some(stream_.get(), buffer, size)) return *n;
  return std::unexpected(ReadFailure::Io);
}

}  // namespace wv
