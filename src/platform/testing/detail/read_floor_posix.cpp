#include "platform/testing/read_floor.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace wv {

void read_file_floor(const char* path, std::string& buffer) {
  int fd = ::open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return;
  struct stat st{};
  if (::fstat(fd, &st) == 0) {
    buffer.resize(static_cast<std::size_t>(st.st_size));
    if (::read(fd, buffer.data(), buffer.size()) < 0) buffer.clear();
  }
  ::close(fd);
}

}  // namespace wv
