#include "platform/console.h"

#include "platform/detail/console_read.h"
#include "platform/stream.h"

namespace wv {
namespace {

enum class ReadUntil { LineEnd, End };

void drain_stdin(ReadUntil until) {
  // One for the process: the watcher's reads, then the window's wait for Enter.
  static detail::LineEnds line_ends(is_console_or_terminal(StandardStream::In) ? detail::InputSource::Typed
                                                                               : detail::InputSource::Stream);
  char chunk[512];
  for (;;) {
    std::optional<std::size_t> n = read_stdin_some(chunk, sizeof chunk);
    if (!n || *n == 0) return;
    if (until == ReadUntil::LineEnd && line_ends.ends_line(std::string_view(chunk, *n))) return;
  }
}

}  // namespace

void wait_for_stdin_line() { drain_stdin(ReadUntil::LineEnd); }
void wait_for_stdin_end() { drain_stdin(ReadUntil::End); }

}  // namespace wv
