#pragma once
// Windows only: a kernel handle closed by its owner's destructor, and a
// handle seen as a portable stream.

#include <windows.h>

#include "platform/detail/stream_io.h"

namespace wv {

struct HandleTraits {
  using Type = HANDLE;
  static HANDLE none() { return nullptr; }
  static HANDLE adopt(HANDLE h) { return h == INVALID_HANDLE_VALUE ? nullptr : h; }
  static void close(HANDLE h) { CloseHandle(h); }
};
using UniqueHandle = detail::Unique<HandleTraits>;

namespace detail {
inline HANDLE as_handle(NativeStream s) { return reinterpret_cast<HANDLE>(s); }
inline NativeStream as_stream(HANDLE h) { return reinterpret_cast<NativeStream>(h); }
}  // namespace detail

}  // namespace wv
