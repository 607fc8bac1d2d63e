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

void set_env(std::string_view name, const std::optional<NativeString>& value) {
  std::wstring key = native_from_utf8(name);
  SetEnvironmentVariableW(key.c_str(), value ? value->c_str() : nullptr);
}

}  // namespace wv

#include <shellapi.h>

namespace wv {

std::vector<std::string> environment_entries() {
  std::vector<std::string> out;
  if (wchar_t* block = GetEnvironmentStringsW()) {
    for (const wchar_t* p = block; *p != L'\0'; p += wcslen(p) + 1) out.push_back(native_to_utf8_lossy(p));
    FreeEnvironmentStringsW(block);
  }
  return out;
}

std::vector<std::string> command_line_arguments() {
  std::vector<std::string> out;
  int count = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &count);
  if (argv == nullptr) return out;
  for (int i = 0; i < count; ++i) out.push_back(native_to_utf8_lossy(argv[i]));
  LocalFree(argv);
  return out;
}

}  // namespace wv
