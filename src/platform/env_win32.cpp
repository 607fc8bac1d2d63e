#include "platform/env.h"

#include <windows.h>

#include <limits>

#include "platform/detail/grow_buffer.h"

namespace wv {

std::optional<NativeString> get_env(std::string_view name) {
  std::wstring key = native_from_utf8(name);
  bool missing = false;
  auto value = detail::fill_growing<wchar_t>(
      64, std::numeric_limits<DWORD>::max(), [&](wchar_t* data, std::size_t size) -> std::optional<std::size_t> {
        SetLastError(ERROR_SUCCESS);
        DWORD length = GetEnvironmentVariableW(key.c_str(), data, static_cast<DWORD>(size));
        // Zero is both "not set" and "set to the empty string": only a
        // variable that is not there leaves ERROR_ENVVAR_NOT_FOUND
        // (Microsoft Learn, "GetEnvironmentVariableW function", return
        // value), and the error was cleared before the call.
        missing = length == 0 && GetLastError() == ERROR_ENVVAR_NOT_FOUND;
        return length;
      });
  if (missing) return std::nullopt;
  return value;
}

std::vector<NativeString> own_environment() {
  std::vector<NativeString> out;
  if (wchar_t* block = GetEnvironmentStringsW()) {
    for (const wchar_t* p = block; *p != L'\0'; p += wcslen(p) + 1) out.emplace_back(p);
    FreeEnvironmentStringsW(block);
  }
  return out;
}

// The block's names sort "case-insensitive, Unicode order, without regard to
// locale" (Microsoft Learn, "Changing Environment Variables"), which is
// CompareStringOrdinal with its case ignored.
int compare_env_names(NativeStringView a, NativeStringView b) {
  int r = CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()), TRUE);
  return r == CSTR_LESS_THAN ? -1 : r == CSTR_EQUAL ? 0 : 1;
}

}  // namespace wv
