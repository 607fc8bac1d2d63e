#include "platform/env.h"

#include <windows.h>

namespace wv {

std::optional<NativeString> get_env(std::string_view name) {
  std::wstring key = native_from_utf8(name);
  std::wstring value(64, L'\0');
  for (;;) {
    SetLastError(ERROR_SUCCESS);
    DWORD length = GetEnvironmentVariableW(key.c_str(), value.data(), static_cast<DWORD>(value.size()));
    if (length == 0) {
      // Zero is both "not set" and "set to the empty string"; the last error tells them apart.
      if (GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
      return std::wstring();
    }
    if (length < value.size()) {
      value.resize(length);
      return value;
    }
    value.resize(length);  // too small: `length` is the size needed, terminator included
  }
}

}  // namespace wv
