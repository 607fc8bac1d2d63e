#include "platform/detail/console_relay_win32.h"

#include <algorithm>
#include <memory>
#include <string>
#include <utility>

#include "platform/text.h"
#include "platform/thread.h"

namespace wv::detail {
namespace {

// WriteConsoleW fails with ERROR_NOT_ENOUGH_MEMORY where the text "exceeds
// the available heap" (Microsoft Learn, "WriteConsole function"), a heap the
// console functions share within the process. 8192 units, 16 KB, is this
// program's margin under it.
constexpr std::size_t kMaxConsoleUnits = 8192;

// A slim lock is initialised statically and never destroyed (Microsoft
// Learn, "Slim Reader/Writer (SRW) Locks"): a thread still copying a child's
// output while the process exits never meets a destroyed lock.
SRWLOCK console_lock = SRWLOCK_INIT;

void copy_to_console(HANDLE pipe, HANDLE console) {
  Utf16StreamDecoder decoder;
  std::string buffer(std::size_t{64} * 1024, '\0');
  for (;;) {
    DWORD n = 0;
    // The end of the pipe reads as ERROR_BROKEN_PIPE, and a zero-byte read is
    // a writer's zero-byte write (Microsoft Learn, "ReadFile function",
    // pipes); after any other failure nothing more can be read either.
    if (!ReadFile(pipe, buffer.data(), static_cast<DWORD>(buffer.size()), &n, nullptr)) break;
    std::u16string text = decoder.decode(std::string_view(buffer.data(), n));
    if (!text.empty()) (void)write_console_whole(console, text);
  }
  std::u16string rest = decoder.finish();
  if (!rest.empty()) (void)write_console_whole(console, rest);
}

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

std::expected<std::future<void>, OsError> start_console_relay(UniqueHandle pipe, HANDLE console) {
  // Shared, because the thread's body must be copyable; the thread holds the
  // only other references, and drops them as it ends.
  auto source = std::make_shared<UniqueHandle>(std::move(pipe));
  auto done = std::make_shared<std::promise<void>>();
  std::future<void> ended = done->get_future();
  bool started = start_detached_thread("console-relay", [source, done, console] {
    copy_to_console(source->get(), console);
    source->reset();
    done->set_value();
  });
  if (!started) return std::unexpected(last_os_error());
  return ended;
}

}  // namespace wv::detail
