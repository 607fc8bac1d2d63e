#pragma once
// Windows only: a kernel handle closed by its owner's destructor, a handle
// seen as a portable stream, and the functions only newer systems have.

#include <windows.h>

#include "platform/stream.h"

namespace wv::detail {

struct HandleTraits {
  using Type = HANDLE;
  static HANDLE none() { return nullptr; }
  // CreateFileW, unlike most calls that make a handle, fails with
  // INVALID_HANDLE_VALUE rather than null (Microsoft Learn, "CreateFileW
  // function", return value): both mean none.
  static HANDLE adopt(HANDLE h) { return h == INVALID_HANDLE_VALUE ? nullptr : h; }
  static void close(HANDLE h) { CloseHandle(h); }
};
using UniqueHandle = Unique<HandleTraits>;

// A handle is an opaque number the kernel gave, never dereferenced, so that
// the cast pessimises nothing.
// NOLINTNEXTLINE(performance-no-int-to-ptr)
inline HANDLE as_handle(NativeStream s) { return reinterpret_cast<HANDLE>(s); }
inline NativeStream as_stream(HANDLE h) { return reinterpret_cast<NativeStream>(h); }

// kernel32's function of that name, or null where the system lacks it. The
// cast goes by void (*)(void), which GCC takes as matching every function
// type (GCC manual, -Wcast-function-type).
template <class Fn>
Fn kernel32_function(const char* name) {
  HMODULE kernel32 = GetModuleHandleW(L"kernel32.dll");
  FARPROC proc = kernel32 != nullptr ? GetProcAddress(kernel32, name) : nullptr;
  return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(proc));
}

}  // namespace wv::detail
