#include "platform/detail/stream_io.h"

#include <cerrno>
#include <poll.h>
#include <unistd.h>

namespace wv::detail {

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
    // A terminal shares one open file between stdin, stdout and stderr, so a
    // stdin left non-blocking leaves our output so too: a full terminal or
    // pipe then means "wait", not a failed write.
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

bool write_text(NativeStream s, std::string_view utf8) { return write_all(s, utf8); }

std::optional<std::size_t> read_stdin_some(char* buffer, std::size_t size) {
  // Standard input may have been left non-blocking by whatever shares it (a
  // launcher, a crashed program on the same terminal): wait until there is
  // something to read, so that "nothing yet" is never taken for the end.
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

}  // namespace wv::detail
