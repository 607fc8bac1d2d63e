#include "platform/console.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

#include "platform/text.h"

namespace wv {
namespace {

bool write_handle(DWORD which, std::string_view utf8) {
  HANDLE h = GetStdHandle(which);
  if (h == nullptr || h == INVALID_HANDLE_VALUE) return false;
  DWORD mode = 0;
  if (GetConsoleMode(h, &mode)) {
    std::wstring wide = native_from_utf8(utf8);
    std::wstring_view rest(wide);
    while (!rest.empty()) {
      std::size_t chunk_size = std::min<std::size_t>(rest.size(), 8192);
      // Never split a surrogate pair: each half alone would show as U+FFFD.
      if (chunk_size < rest.size() && rest[chunk_size - 1] >= 0xD800 && rest[chunk_size - 1] <= 0xDBFF) --chunk_size;
      DWORD chunk = static_cast<DWORD>(chunk_size);
      DWORD written = 0;
      if (!WriteConsoleW(h, rest.data(), chunk, &written, nullptr) || written == 0) return false;
      rest.remove_prefix(written);
    }
    return true;
  }
  while (!utf8.empty()) {
    DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(utf8.size(), 1u << 20));
    DWORD written = 0;
    if (!WriteFile(h, utf8.data(), chunk, &written, nullptr) || written == 0) return false;
    utf8.remove_prefix(written);
  }
  return true;
}

}  // namespace

bool write_stdout(std::string_view utf8) { return write_handle(STD_OUTPUT_HANDLE, utf8); }
bool write_stderr(std::string_view utf8) { return write_handle(STD_ERROR_HANDLE, utf8); }

namespace {

enum class ReadUntil { LineFeed, End };

void drain_stdin(ReadUntil until) {
  HANDLE h = GetStdHandle(STD_INPUT_HANDLE);
  if (h == nullptr || h == INVALID_HANDLE_VALUE) return;
  char chunk[512];
  for (;;) {
    DWORD n = 0;
    if (!ReadFile(h, chunk, sizeof chunk, &n, nullptr) || n == 0) return;
    if (until == ReadUntil::LineFeed && std::memchr(chunk, '\n', n) != nullptr) return;
  }
}

}  // namespace

void wait_for_stdin_line() { drain_stdin(ReadUntil::LineFeed); }

void wait_for_stdin_end() { drain_stdin(ReadUntil::End); }

void ignore_broken_pipe_signal() {}

}  // namespace wv
