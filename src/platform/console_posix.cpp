#include "platform/console.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <unistd.h>

namespace wv {
namespace {

bool write_fd(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

}  // namespace

bool write_stdout(std::string_view utf8) { return write_fd(STDOUT_FILENO, utf8); }
bool write_stderr(std::string_view utf8) { return write_fd(STDERR_FILENO, utf8); }

namespace {

enum class ReadUntil { LineFeed, End };

void drain_stdin(ReadUntil until) {
  char chunk[512];
  for (;;) {
    ssize_t n = ::read(STDIN_FILENO, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    if (until == ReadUntil::LineFeed && std::memchr(chunk, '\n', static_cast<std::size_t>(n)) != nullptr) return;
  }
}

}  // namespace

void wait_for_stdin_line() { drain_stdin(ReadUntil::LineFeed); }

void wait_for_stdin_end() { drain_stdin(ReadUntil::End); }

void ignore_broken_pipe_signal() { ::signal(SIGPIPE, SIG_IGN); }

}  // namespace wv
