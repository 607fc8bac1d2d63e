#include "platform/console.h"

#include <windows.h>

#include "platform/detail/stream_io.h"

namespace wv {

void hold_own_window_open(std::string_view prompt) {
  // A shell that started us is attached to the same console, so the list
  // holds at least two processes then. A launcher's hidden console
  // (CREATE_NO_WINDOW) has no window, and redirected streams show nothing
  // in one: neither is a window the user is looking at. (Microsoft Learn,
  // "GetConsoleProcessList function": the count of processes attached.)
  using detail::is_console_or_terminal, detail::StandardStream;
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
