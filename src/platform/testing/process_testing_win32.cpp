#include "platform/testing/process_testing.h"

#include <windows.h>

#include "platform/unique_handle.h"

namespace wv {

bool interrupt_process_group(const ChildProcess&) { return false; }

std::optional<std::size_t> open_handle_count() {
  DWORD count = 0;
  if (!GetProcessHandleCount(GetCurrentProcess(), &count)) return std::nullopt;
  return count;
}

std::vector<std::string> describe_open_handles() { return {}; }

long current_process_id() { return static_cast<long>(GetCurrentProcessId()); }

bool kill_process(long id) {
  if (id <= 0) return false;
  UniqueHandle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, static_cast<DWORD>(id)));
  if (!process) return false;
  if (!TerminateProcess(process.get(), 1)) return false;
  return WaitForSingleObject(process.get(), INFINITE) == WAIT_OBJECT_0;
}

}  // namespace wv
