#include "platform/fs.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/detail/fs_system.h"
#include "platform/detail/grow_buffer.h"

namespace wv {

bool is_existing_non_directory(const std::filesystem::path& p) {
  struct stat st {};
  return ::stat(p.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
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

namespace fs_system {

std::expected<File, ReadFailure> open_for_reading(const std::filesystem::path::string_type& path) {
  // O_NONBLOCK so that opening a FIFO with no writer returns at once; its
  // size is then refused as not a regular file's.
  File fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
  if (!fd) return std::unexpected(errno == ENOENT || errno == ENOTDIR ? ReadFailure::Missing : ReadFailure::Io);
  return fd;
}

std::expected<std::uint64_t, ReadFailure> regular_file_size(const File& file) {
  struct stat st {};
  if (::fstat(static_cast<int>(file.get()), &st) != 0) return std::unexpected(ReadFailure::Io);
  if (!S_ISREG(st.st_mode)) return std::unexpected(ReadFailure::NotRegular);
  return static_cast<std::uint64_t>(st.st_size);
}

std::expected<std::size_t, ReadFailure> read_some(const File& file, char* buffer, std::size_t size) {
  if (std::optional<std::size_t> n = detail::read_some(file.get(), buffer, size)) return *n;
  return std::unexpected(ReadFailure::Io);
}

}  // namespace fs_system

}  // namespace wv
