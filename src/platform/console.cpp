#include "platform/console.h"

#include <cstring>

#include "platform/stream_io.h"

namespace wv {
namespace {

bool write_standard(detail::StandardStream which, std::string_view utf8) {
  std::optional<detail::NativeStream> s = detail::standard_stream(which);
  return s && detail::write_text(*s, utf8);
}

enum class ReadUntil { LineFeed, End };

void drain_stdin(ReadUntil until) {
  char chunk[512];
  for (;;) {
    std::optional<std::size_t> n = detail::read_stdin_some(chunk, sizeof chunk);
    if (!n || *n == 0) return;
    if (until == ReadUntil::LineFeed && std::memchr(chunk, '\n', *n) != nullptr) return;
  }
}

}  // namespace

bool write_stdout(std::string_view utf8) { return write_standard(detail::StandardStream::Out, utf8); }
bool write_stderr(std::string_view utf8) { return write_standard(detail::StandardStream::Err, utf8); }

void wait_for_stdin_line() { drain_stdin(ReadUntil::LineFeed); }
void wait_for_stdin_end() { drain_stdin(ReadUntil::End); }

}  // namespace wv
