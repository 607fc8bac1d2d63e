#include "platform/stream.h"

#include <cerrno>
#include <poll.h>
#include <unistd.h>

namespace wv {

NativeStream StreamTraits::none() { return -1; }
NativeStream StreamTraits::adopt(NativeStream s) { return s < 0 ? -1 : s; }
void StreamTraits::close(NativeStream s) { ::close(static_cast<int>(s)); }

std::optional<NativeStream> standard_stream(StandardStream which) {
  constexpr int kDescriptors[] = {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO};  // In, Out, Err
  return kDescriptors[static_cast<int>(which)];
}

bool is_console_or_terminal(NativeStream s) { return ::isatty(static_cast<int>(s)) == 1; }

std::optional<std::size_t> write_some(NativeStream s, std::string_view bytes) {
  for (;;) {
    ssize_t n = ::write(static_cast<int>(s), bytes.data(), bytes.size());
    if (n > 0) return static_cast<std::size_t>(n);
    if (n < 0 && errno == EINTR) continue;
    // O_NONBLOCK belongs to the open file description, which every
    // descriptor duplicated from it shares (POSIX.1-2017, XSH fcntl(),
    // F_SETFL), and a terminal's stdin, stdout and stderr are usually one
    // description: a stdin left non-blocking leaves our output so too. A
    // full terminal or pipe then fails the write with EAGAIN (XSH write()),
    // which means "wait", not a failed write.
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      pollfd p{static_cast<int>(s), POLLOUT, 0};
      if (::poll(&p, 1, -1) >= 0 || errno == EINTR) continue;
    }
    return std::nullopt;
  }
}

std::optional<std::size_t> read_some(NativeStream s, char* buffer, std::size_t size) {
  for (;;) {
    ssize_t n = ::read(static_cast<int>(s), buffer, size);
    if (n >= 0) return static_cast<std::size_t>(n);
    if (errno != EINTR) return std::nullopt;
  }
}

}  // namespace wv
