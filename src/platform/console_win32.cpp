#include "platform/console.h"

#include <windows.h>

namespace wv {

namespace {

bool is_console(DWORD which) {
  DWORD mode = 0;
  return GetConsoleMode(GetStdHandle(which), &mode) != 0;
}

}  // namespace

bool console_belongs_to_this_process_alone() {
  // A shell that started us is attached to the same console, so the list
  // holds at least two processes then. A launcher's hidden console
  // (CREATE_NO_WINDOW) has no window, and redirected streams show nothing
  // in one: neither is a window the user is looking at.
  DWORD ids[2] = {};
  return GetConsoleProcessList(ids, 2) == 1 && GetConsoleWindow() != nullptr && is_console(STD_INPUT_HANDLE) &&
         is_console(STD_ERROR_HANDLE);
}

// Windows has no SIGPIPE: a write to a closed pipe fails on its own.
void ignore_broken_pipe_signal() {}

}  // namespace wv
