#include "platform/console.h"

#include "platform/detail/console_read.h"
#include "platform/detail/stream_io.h"

namespace wv {
namespace {

bool write_standard(detail::StandardStream which, std::string_view utf8) {
  std::optional<detail::NativeStream> s = detail::standard_stream(which);
  return s && detail::write_text(*s, utf8);
}

enum class ReadUntil { LineEnd, End };

void drain_stdin(ReadUntil until) {
  // One for the process: the watcher's reads, then the window's wait for Enter.
  static detail::LineEnds line_ends(detail::is_console_or_terminal(detail::StandardStream::In)
                                        ? detail::InputSource::Typed
                                        : detail::InputSource::Stream);
  char chunk[512];
  for (;;) {
    std::optional<std::size_t> n = detail::read_stdin_some(chunk, sizeof chunk);
    if (!n || *n == 0) return;
    if (until == ReadUntil::LineEnd && line_ends.ends_line(std::string_view(chunk, *n))) return;
  }
}

}  // namespace

bool write_stdout(std::string_view utf8) { return write_standard(detail::StandardStream::Out, utf8); }
bool write_stderr(std::string_view utf8) { return write_standard(detail::StandardStream::Err, utf8); }

void wait_for_stdin_line() { drain_stdin(ReadUntil::LineEnd); }
void wait_for_stdin_end() { drain_stdin(ReadUntil::End); }

}  // namespace wv
