#include "platform/testing/held_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace wv {

std::optional<HeldWriter> HeldWriter::open(const std::filesystem::path& p) {
  int fd = ::open(p.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return std::nullopt;
  return HeldWriter(fd);
}

bool make_fifo(const std::filesystem::path& p) { return ::mkfifo(p.c_str(), 0600) == 0; }

}  // namespace wv
