#include "platform/testing/held_file.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <utility>

namespace wv {

std::optional<HeldWriter> HeldWriter::open(const std::filesystem::path& p) {
  int fd = ::open(p.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return std::nullopt;
  return HeldWriter(fd);
}

HeldWriter::HeldWriter(HeldWriter&& other) noexcept : native_(std::exchange(other.native_, -1)) {}

HeldWriter::~HeldWriter() {
  if (native_ >= 0) ::close(static_cast<int>(native_));
}

bool HeldWriter::write(std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t n = ::write(static_cast<int>(native_), bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

bool make_fifo(const std::filesystem::path& p) { return ::mkfifo(p.c_str(), 0600) == 0; }

}  // namespace wv
