#include "platform/detail/console_relay_win32.h"

#include <memory>
#include <string>
#include <utility>

#include "platform/detail/utf16.h"
#include "platform/thread.h"

namespace wv::detail {
namespace {

void copy_to_console(HANDLE pipe, HANDLE console) {
  Utf16StreamDecoder decoder;
  std::string buffer(64 * 1024, '\0');
  for (;;) {
    DWORD n = 0;
    // The end of the pipe reads as ERROR_BROKEN_PIPE; after any other failure
    // nothing more can be read either. A zero-byte read is a zero-byte write.
    if (!ReadFile(pipe, buffer.data(), static_cast<DWORD>(buffer.size()), &n, nullptr)) break;
    std::u16string text = decoder.decode(std::string_view(buffer.data(), n));
    if (!text.empty()) (void)write_console_whole(console, text);
  }
  std::u16string rest = decoder.finish();
  if (!rest.empty()) (void)write_console_whole(console, rest);
}

}  // namespace

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
