#include "platform/stream.h"

#include <windows.h>

#include <algorithm>

#include "platform/detail/unique_handle.h"

namespace wv {

NativeStream StreamTraits::none() { return 0; }
NativeStream StreamTraits::adopt(NativeStream s) {
  return detail::as_stream(detail::HandleTraits::adopt(detail::as_handle(s)));
}
void StreamTraits::close(NativeStream s) { CloseHandle(detail::as_handle(s)); }

namespace {

// ReadFile and WriteFile take a DWORD count; a megabyte at a time is plenty.
constexpr std::size_t kMaxTransfer = 1u << 20;

}  // namespace

std::optional<NativeStream> standard_stream(StandardStream which) {
  constexpr DWORD kIds[] = {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE};  // In, Out, Err
  HANDLE h = GetStdHandle(kIds[static_cast<int>(which)]);
  if (h == nullptr || h == INVALID_HANDLE_VALUE) return std::nullopt;
  return detail::as_stream(h);
}

// GetConsoleMode succeeds on a console handle alone (Microsoft Learn,
// "GetConsoleMode function").
bool is_console_or_terminal(NativeStream s) {
  DWORD mode = 0;
  return GetConsoleMode(detail::as_handle(s), &mode) != 0;
}

std::optional<std::size_t> write_some(NativeStream s, std::string_view bytes) {
  DWORD chunk = static_cast<DWORD>(std::min(bytes.size(), kMaxTransfer));
  DWORD written = 0;
  if (!WriteFile(detail::as_handle(s), bytes.data(), chunk, &written, nullptr) || written == 0) return std::nullopt;
  return written;
}

std::optional<std::size_t> read_some(NativeStream s, char* buffer, std::size_t size) {
  DWORD n = 0;
  DWORD chunk = static_cast<DWORD>(std::min(size, kMaxTransfer));
  if (ReadFile(detail::as_handle(s), buffer, chunk, &n, nullptr)) return n;
  // A pipe whose writers are all gone reports its end as an error
  // (Microsoft Learn, "ReadFile function", pipes).
  if (GetLastError() == ERROR_BROKEN_PIPE) return 0;
  return std::nullopt;
}

}  // namespace wv
