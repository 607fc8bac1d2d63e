#include "platform/stream_io.h"

#include <cerrno>
#include <unistd.h>

namespace wv::detail {

std::optional<NativeStream> standard_stream(StandardStream which) {
  switch (which) {
    case StandardStream::In: return STDIN_FILENO;
    case StandardStream::Out: return STDOUT_FILENO;
    case StandardStream::Err: return STDERR_FILENO;
  }
  return std::nullopt;
}

std::optional<std::size_t> write_some(NativeStream s, std::string_view bytes) {
  for (;;) {
    ssize_t n = ::write(static_cast<int>(s), bytes.data(), bytes.size());
    if (n > 0) return static_cast<std::size_t>(n);
    if (n < 0 && errno == EINTR) continue;
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
  return read_some(STDIN_FILENO, buffer, size);
}

}  // namespace wv::detail
