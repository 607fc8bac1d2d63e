#include "platform/testing/process_testing.h"

#include <windows.h>

#include <string>
#include <thread>

#include "platform/detail/unique_handle.h"

namespace wv {

bool interrupt_process_group(const ChildProcess&) { return false; }

std::optional<std::size_t> open_handle_count() {
  DWORD count = 0;
  if (!GetProcessHandleCount(GetCurrentProcess(), &count)) return std::nullopt;
  return count;
}

std::vector<std::string> describe_open_handles() { return {}; }

std::vector<std::string> describe_signal_state() { return {}; }

long current_process_id() { return static_cast<long>(GetCurrentProcessId()); }

bool kill_process(long id) {
  if (id <= 0) return false;
  detail::UniqueHandle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, static_cast<DWORD>(id)));
  if (!process) return false;
  if (!TerminateProcess(process.get(), 1)) return false;
  return WaitForSingleObject(process.get(), INFINITE) == WAIT_OBJECT_0;
}

bool process_is_running(long id) {
  if (id <= 0) return false;
  detail::UniqueHandle process(OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(id)));
  return process && WaitForSingleObject(process.get(), 0) == WAIT_TIMEOUT;
}

std::optional<long> start_plain_child(const std::filesystem::path& program, const std::vector<std::string>& args) {
  std::wstring command_line = L"\"" + program.native() + L"\"";
  for (const auto& arg : args) command_line += L" " + std::wstring(arg.begin(), arg.end());
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(program.c_str(), command_line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
    return std::nullopt;
  }
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return static_cast<long>(pi.dwProcessId);
}

InheritablePipe::InheritablePipe() {
  SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
  HANDLE r = nullptr, w = nullptr;
  if (!CreatePipe(&r, &w, &inheritable, 0)) return;
  read_end_.reset(detail::as_stream(r));
  write_end_.reset(detail::as_stream(w));
  SetHandleInformation(r, HANDLE_FLAG_INHERIT, 0);  // only the write end is left to leak
}

bool InheritablePipe::wait_for_end(std::chrono::milliseconds timeout) {
  if (!read_end_) return false;
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    // Nobody writes to it: the only news can be that the last writer went.
    if (!PeekNamedPipe(detail::as_handle(read_end_.get()), nullptr, 0, nullptr, nullptr, nullptr)) {
      return GetLastError() == ERROR_BROKEN_PIPE;
    }
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

// Windows has no tracer that keeps an ended process from its waiters.
ReapHold::ReapHold(long) {}
ReapHold::~ReapHold() = default;

}  // namespace wv
