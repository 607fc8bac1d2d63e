#pragma once
// What a read of standard input means to a reader that wants a line and an
// end: one ReadConsoleW call on a console's input, and where a typed line
// ends. Pure code, so both platforms build and test it; console_win32.cpp
// and console.cpp make the calls. Internal to the platform layer.

#include <atomic>
#include <cstdint>
#include <string_view>

namespace wv::detail {

// ERROR_OPERATION_ABORTED, kept here so that the decision needs no Windows
// header; the Windows build checks that the two agree.
inline constexpr std::uint32_t kConsoleReadAborted = 995;

enum class ConsoleRead {
  Text,     // characters to pass on
  Again,    // nothing was read and nothing ended: read again
  End,      // the end of input
  Failure,  // a real error
};

// `succeeded` is what the call returned, `text` the characters it read and
// `last_error` GetLastError() just after it, cleared just before it.
ConsoleRead classify_console_read(bool succeeded, std::u16string_view text, std::uint32_t last_error);

enum class InputSource {
  Typed,   // a Windows console or a POSIX terminal: a user types the lines
  Stream,  // a pipe or a file: the lines are written by a program
};

// Where the lines of standard input end, one read at a time, for every reader
// of the process's input in turn. A line feed always ends a line. Typed input
// also ends at a carriage return: Enter arrives as a lone "\r" where the input
// mode is not the usual one, and that mode belongs to the console or the
// terminal, left as whoever used it last left it. A console without
// ENABLE_LINE_INPUT hands keys over as typed, and one without
// ENABLE_PROCESSED_INPUT ends a line with "\r" and no line feed (Microsoft
// Learn, "SetConsoleMode function", the input mode flags); a terminal in
// non-canonical mode without ICRNL passes Enter on as "\r" (POSIX.1-2017, XBD
// 11.2, "Parameters that Can be Set", Input Modes). A program writing to a
// pipe ends its lines with "\n".
class LineEnds {
 public:
  explicit LineEnds(InputSource source) : source_(source) {}

  // Whether `bytes`, one read's worth, holds the end of the line being read.
  // In the usual mode Enter ends a line with "\r\n": when a read ends at its
  // "\r", the "\n" that starts the next one belongs to that line, not to a
  // new one, whichever reader reads it.
  bool ends_line(std::string_view bytes);

 private:
  InputSource source_;
  std::atomic<bool> line_feed_owed_{false};  // read by the next reader, on another thread
};

}  // namespace wv::detail
