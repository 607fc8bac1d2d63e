#include "platform/fs.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/unique_fd.h"

namespace wv {

bool is_existing_non_directory(const std::filesystem::path& p) {
  struct stat st{};
  return ::stat(p.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

std::optional<std::filesystem::path> current_exe_path() {
  std::string buffer(256, '\0');
  for (;;) {
    ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n < 0) return std::nullopt;
    if (static_cast<std::size_t>(n) < buffer.size()) {
      buffer.resize(static_cast<std::size_t>(n));
      return std::filesystem::path(buffer);
    }
    buffer.resize(buffer.size() * 2);
  }
}

std::optional<std::filesystem::path> temp_dir() {
  const char* tmpdir = std::getenv("TMPDIR");
  if (tmpdir != nullptr && *tmpdir != '\0') return std::filesystem::path(tmpdir);
  return std::filesystem::path("/tmp");
}

std::expected<std::string, ReadFailure> read_regular_file(const std::filesystem::path& p,
                                                          std::size_t max_bytes) {
  // A NUL would end the name early, and another file would be read.
  if (p.native().find('\0') != std::string::npos) return std::unexpected(ReadFailure::Missing);
  // O_NONBLOCK so that opening a FIFO with no writer returns at once; the
  // fstat below then refuses it.
  UniqueFd fd(::open(p.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
  if (!fd) return std::unexpected(errno == ENOENT || errno == ENOTDIR ? ReadFailure::Missing : ReadFailure::Io);
  struct stat st{};
  if (::fstat(fd.get(), &st) != 0) return std::unexpected(ReadFailure::Io);
  if (!S_ISREG(st.st_mode)) return std::unexpected(ReadFailure::NotRegular);
  if (static_cast<std::uint64_t>(st.st_size) > max_bytes) return std::unexpected(ReadFailure::TooLarge);

  std::string content;
  content.reserve(static_cast<std::size_t>(st.st_size));
  char chunk[16384];
  for (;;) {
    ssize_t n = ::read(fd.get(), chunk, sizeof chunk);
    if (n < 0) {
      if (errno == EINTR) continue;
      return std::unexpected(ReadFailure::Io);
    }
    if (n == 0) break;
    // The file may grow while it is read; the limit holds for what is read too.
    if (content.size() + static_cast<std::size_t>(n) > max_bytes) return std::unexpected(ReadFailure::TooLarge);
    content.append(chunk, static_cast<std::size_t>(n));
  }
  return content;
}

}  // namespace wv
