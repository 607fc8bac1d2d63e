#include "platform/console.h"

#include <cerrno>
#include <csignal>
#include <poll.h>
#include <unistd.h>

#include "platform/stream.h"

namespace wv {

bool write_stdout(std::string_view utf8) { return write_all(STDOUT_FILENO, utf8); }
bool write_stderr(std::string_view utf8) { return write_all(STDERR_FILENO, utf8); }

std::optional<std::size_t> read_stdin_some(char* buffer, std::size_t size) {
  // Standard input may have been left non-blocking by whatever shares it (a
  // launcher, a crashed program on the same terminal): wait until there is
  // something to read, so that "nothing yet" (EAGAIN, POSIX.1-2017, XSH
  // read()) is never taken for the end.
  for (;;) {
    pollfd p{STDIN_FILENO, POLLIN, 0};
    int ready = ::poll(&p, 1, -1);
    if (ready < 0) {
      if (errno == EINTR) continue;
      return std::nullopt;
    }
    if (p.revents & POLLNVAL) return std::nullopt;
    ssize_t n = ::read(STDIN_FILENO, buffer, size);
    if (n >= 0) return static_cast<std::size_t>(n);
    if (errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK) return std::nullopt;
  }
}

// A terminal's window is the terminal's, and outlives us.
void hold_own_window_open(std::string_view) {}

// A write to a pipe nobody reads raises SIGPIPE, which ends the process unless
// ignored; ignored, the write fails with EPIPE (POSIX.1-2017, XSH write()).
void ignore_broken_pipe_signal() { ::signal(SIGPIPE, SIG_IGN); }

}  // namespace wv
