#include "platform/detail/console_read.h"

namespace wv::detail {

ConsoleRead classify_console_read(bool succeeded, std::u16string_view text, std::uint32_t last_error) {
  // Ctrl+C and Ctrl+Break cut a console read off: it returns no characters
  // and, read this way, says ERROR_OPERATION_ABORTED (mostly as a success),
  // which Microsoft Learn, "ReadConsole function", leaves unsaid; the code
  // is in "System Error Codes (500-999)", the handler the keys run in
  // "CTRL+C and CTRL+BREAK Signals".
  // That is an interrupt for the console's handler, not the end of input.
  // (ReadFile reports the same cut-off read as a success with no error at
  // all, which is why the console is not read with ReadFile.)
  if (text.empty() && last_error == kConsoleReadAborted) return ConsoleRead::Again;
  if (!succeeded) return ConsoleRead::Failure;
  if (text.empty()) return ConsoleRead::End;
  // Ctrl+Z first in what a read returns (typed at the start of a line, then
  // Enter) is a console's end of input. ReadFile turns it into a read of
  // nothing; ReadConsoleW hands the character over.
  if (text.front() == u'\x1a') return ConsoleRead::End;
  return ConsoleRead::Text;
}

bool LineEnds::ends_line(std::string_view bytes) {
  if (line_feed_owed_.exchange(false) && bytes.starts_with('\n')) bytes.remove_prefix(1);
  const std::string_view ends = source_ == InputSource::Typed ? std::string_view("\n\r") : std::string_view("\n");
  const std::size_t end = bytes.find_first_of(ends);
  if (end == std::string_view::npos) return false;
  line_feed_owed_.store(bytes[end] == '\r' && end + 1 == bytes.size());
  return true;
}

}  // namespace wv::detail
