#include "platform/thread.h"

#include <windows.h>

#include <memory>

#include "platform/detail/unique_handle.h"
#include "platform/text.h"

namespace wv {
namespace {

DWORD WINAPI run(void* arg) {
  std::unique_ptr<std::function<void()>> body(static_cast<std::function<void()>*>(arg));
  (*body)();
  return 0;
}

}  // namespace

bool start_detached_thread(std::string_view name, std::function<void()> body) {
  auto owned = std::make_unique<std::function<void()>>(std::move(body));
  // Created suspended so that it carries its name before it runs.
  detail::UniqueHandle thread(CreateThread(nullptr, 0, &run, owned.get(), CREATE_SUSPENDED, nullptr));
  if (!thread) return false;
  // SetThreadDescription exists from Windows 10 1607 on (Microsoft Learn,
  // "SetThreadDescription function", requirements); older systems and Wine
  // may lack it, and a thread without a name is still a thread.
  auto set_description = detail::kernel32_function<HRESULT(WINAPI*)(HANDLE, PCWSTR)>("SetThreadDescription");
  if (set_description != nullptr) set_description(thread.get(), native_from_utf8(name).c_str());
  // ResumeThread returns (DWORD)-1 on failure (Microsoft Learn, "ResumeThread
  // function"): the thread is still suspended and has never run.
  if (ResumeThread(thread.get()) == static_cast<DWORD>(-1)) {
    // Ended before its first instruction it never touches `body`, which is
    // then ours to free; one that cannot be ended keeps it, since it might
    // yet run.
    if (!TerminateThread(thread.get(), 1)) static_cast<void>(owned.release());
    return false;
  }
  static_cast<void>(owned.release());  // the thread owns it now
  return true;                         // closing our handle detaches the thread
}

void sleep_for(Duration d) {
  // Sleep takes milliseconds; round up so the sleep is never shorter than asked.
  std::uint64_t ms = d.secs * 1000 + (d.nanos + 999'999) / 1'000'000;
  while (ms > 0) {
    DWORD chunk = ms >= INFINITE ? INFINITE - 1 : static_cast<DWORD>(ms);
    Sleep(chunk);
    ms -= chunk;
  }
}

}  // namespace wv
