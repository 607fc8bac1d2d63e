#include "platform/console.h"

#include <windows.h>

#include <algorithm>
#include <string>

#include "platform/detail/console_read.h"
#include "platform/detail/console_relay_win32.h"
#include "platform/detail/unique_handle.h"
#include "platform/stream.h"
#include "platform/text.h"

namespace wv {
namespace {

bool write_standard(StandardStream which, std::string_view utf8) {
  std::optional<NativeStream> s = standard_stream(which);
  if (!s) return false;
  // A console shows text in any code page only through WriteConsoleW, which
  // takes Unicode whatever the console's code page (Microsoft Learn,
  // "WriteConsole function", remarks).
  if (is_console_or_terminal(*s)) return detail::write_console_whole(detail::as_handle(*s), utf16_from_utf8(utf8));
  return write_all(*s, utf8);
}

static_assert(detail::kConsoleReadAborted == ERROR_OPERATION_ABORTED);

// Each UTF-16 unit read becomes at most three bytes of UTF-8 (an unpaired
// surrogate becomes U+FFFD; a pair, two units, four bytes).
constexpr std::size_t kMaxUtf8PerUnit = 3;
constexpr std::size_t kMaxConsoleReadUnits = 4096;

std::optional<std::size_t> read_console_some(HANDLE console, char* buffer, std::size_t size) {
  using detail::ConsoleRead;
  const std::size_t units = std::min(size / kMaxUtf8PerUnit, kMaxConsoleReadUnits);
  if (units == 0) return std::nullopt;
  char16_t text[kMaxConsoleReadUnits];
  for (;;) {
    DWORD n = 0;
    // A successful call need not set the last error (Microsoft Learn,
    // "GetLastError function"): only a cleared one tells an interrupted read
    // from a read of nothing.
    SetLastError(ERROR_SUCCESS);
    BOOL ok = ReadConsoleW(console, text, static_cast<DWORD>(units), &n, nullptr);
    DWORD error = GetLastError();
    std::u16string_view read(text, ok ? std::min<std::size_t>(n, units) : 0);
    switch (detail::classify_console_read(ok != 0, read, error)) {
      case ConsoleRead::Again: continue;
      case ConsoleRead::End: return 0;
      case ConsoleRead::Failure: return std::nullopt;
      case ConsoleRead::Text: {
        // A pair cut between two reads becomes two U+FFFD here: no reader of
        // standard input looks at more than where its lines end.
        std::string utf8 = utf8_from_utf16_lossy(read);
        std::copy(utf8.begin(), utf8.end(), buffer);
        return utf8.size();
      }
    }
  }
}

}  // namespace

bool write_stdout(std::string_view utf8) { return write_standard(StandardStream::Out, utf8); }
bool write_stderr(std::string_view utf8) { return write_standard(StandardStream::Err, utf8); }

std::optional<std::size_t> read_stdin_some(char* buffer, std::size_t size) {
  std::optional<NativeStream> in = standard_stream(StandardStream::In);
  if (!in) return std::nullopt;
  // A console's Ctrl+C cancels a ReadFile as a read of nothing, which would
  // be taken for the end of input; ReadConsoleW tells the two apart
  // (classify_console_read says where that is documented).
  if (is_console_or_terminal(*in)) return read_console_some(detail::as_handle(*in), buffer, size);
  return read_some(*in, buffer, size);
}

void hold_own_window_open(std::string_view prompt) {
  // A shell that started us is attached to the same console, so the list
  // holds at least two processes then. A launcher's hidden console
  // (CREATE_NO_WINDOW) has no window, and redirected streams show nothing
  // in one: neither is a window the user is looking at. (Microsoft Learn,
  // "GetConsoleProcessList function": the count of processes attached.)
  DWORD ids[2] = {};
  if (GetConsoleProcessList(ids, 2) != 1 || GetConsoleWindow() == nullptr ||
      !is_console_or_terminal(StandardStream::In) || !is_console_or_terminal(StandardStream::Err)) {
    return;
  }
  // The input records typed ahead are discarded (Microsoft Learn,
  // "FlushConsoleInputBuffer function").
  FlushConsoleInputBuffer(GetStdHandle(STD_INPUT_HANDLE));
  if (write_stderr(prompt)) wait_for_stdin_line();
}

// Windows has no SIGPIPE: a write to a closed pipe fails on its own.
void ignore_broken_pipe_signal() {}

}  // namespace wv
