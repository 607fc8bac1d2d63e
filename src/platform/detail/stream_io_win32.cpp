#include "platform/detail/stream_io.h"

#include <windows.h>

#include <algorithm>
#include <memory>
#include <string>

#include "platform/detail/console_read.h"
#include "platform/detail/console_relay_win32.h"
#include "platform/detail/unique_handle.h"
#include "platform/detail/utf16.h"

namespace wv::detail {

NativeStream StreamTraits::none() { return 0; }
NativeStream StreamTraits::adopt(NativeStream s) { return as_stream(HandleTraits::adopt(as_handle(s))); }
void StreamTraits::close(NativeStream s) { CloseHandle(as_handle(s)); }

namespace {

// ReadFile and WriteFile take a DWORD count; a megabyte at a time is plenty.
constexpr std::size_t kMaxTransfer = 1u << 20;
// WriteConsoleW takes its buffer through a 64 KB heap that the console
// functions share, and fails with ERROR_NOT_ENOUGH_MEMORY past what is free
// there (Microsoft Learn, "WriteConsole function").
constexpr std::size_t kMaxConsoleUnits = 8192;

// A slim lock needs no construction or destruction: a thread still copying a
// child's output while the process exits never meets a destroyed lock.
SRWLOCK console_lock = SRWLOCK_INIT;

}  // namespace

bool write_console_whole(HANDLE console, std::u16string_view text) {
  AcquireSRWLockExclusive(&console_lock);
  std::unique_ptr<SRWLOCK, decltype(&ReleaseSRWLockExclusive)> held(&console_lock, &ReleaseSRWLockExclusive);
  while (!text.empty()) {
    std::size_t chunk = utf16_chunk_length(text, kMaxConsoleUnits);
    DWORD written = 0;
    if (!WriteConsoleW(console, text.data(), static_cast<DWORD>(chunk), &written, nullptr) || written == 0) {
      return false;
    }
    text.remove_prefix(std::min<std::size_t>(written, text.size()));
  }
  return true;
}

std::optional<NativeStream> standard_stream(StandardStream which) {
  constexpr DWORD kIds[] = {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE};  // In, Out, Err
  HANDLE h = GetStdHandle(kIds[static_cast<int>(which)]);
  if (h == nullptr || h == INVALID_HANDLE_VALUE) return std::nullopt;
  return reinterpret_cast<NativeStream>(h);
}

// GetConsoleMode succeeds on a console handle alone (Microsoft Learn,
// "GetConsoleMode function").
bool is_console_or_terminal(NativeStream s) {
  DWORD mode = 0;
  return GetConsoleMode(as_handle(s), &mode) != 0;
}

std::optional<std::size_t> write_some(NativeStream s, std::string_view bytes) {
  DWORD chunk = static_cast<DWORD>(std::min(bytes.size(), kMaxTransfer));
  DWORD written = 0;
  if (!WriteFile(as_handle(s), bytes.data(), chunk, &written, nullptr) || written == 0) return std::nullopt;
  return written;
}

std::optional<std::size_t> read_some(NativeStream s, char* buffer, std::size_t size) {
  DWORD n = 0;
  DWORD chunk = static_cast<DWORD>(std::min(size, kMaxTransfer));
  if (ReadFile(as_handle(s), buffer, chunk, &n, nullptr)) return n;
  // A pipe whose writers are all gone reports its end as an error.
  if (GetLastError() == ERROR_BROKEN_PIPE) return 0;
  return std::nullopt;
}

bool write_text(NativeStream s, std::string_view utf8) {
  // A console shows text in any code page only through WriteConsoleW.
  if (is_console_or_terminal(s)) return write_console_whole(as_handle(s), utf16_from_utf8(utf8));
  return write_all(s, utf8);
}

namespace {

static_assert(kConsoleReadAborted == ERROR_OPERATION_ABORTED);

// Each UTF-16 unit read becomes at most three bytes of UTF-8 (an unpaired
// surrogate becomes U+FFFD; a pair, two units, four bytes).
constexpr std::size_t kMaxUtf8PerUnit = 3;
constexpr std::size_t kMaxConsoleReadUnits = 4096;

std::optional<std::size_t> read_console_some(HANDLE console, char* buffer, std::size_t size) {
  const std::size_t units = std::min(size / kMaxUtf8PerUnit, kMaxConsoleReadUnits);
  if (units == 0) return std::nullopt;
  char16_t text[kMaxConsoleReadUnits];
  for (;;) {
    DWORD n = 0;
    // A successful read leaves the last error as it was: only a cleared one
    // tells an interrupted read from a read of nothing.
    SetLastError(ERROR_SUCCESS);
    BOOL ok = ReadConsoleW(console, reinterpret_cast<wchar_t*>(text), static_cast<DWORD>(units), &n, nullptr);
    DWORD error = GetLastError();
    std::u16string_view read(text, ok ? std::min<std::size_t>(n, units) : 0);
    switch (classify_console_read(ok != 0, read, error)) {
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

std::optional<std::size_t> read_stdin_some(char* buffer, std::size_t size) {
  std::optional<NativeStream> in = standard_stream(StandardStream::In);
  if (!in) return std::nullopt;
  // A console's Ctrl+C cancels a ReadFile as a read of nothing, which would
  // be taken for the end of input; ReadConsoleW tells the two apart.
  if (is_console_or_terminal(*in)) return read_console_some(as_handle(*in), buffer, size);
  return read_some(*in, buffer, size);
}

}  // namespace wv::detail
