#include "platform/testing/env_testing.h"

#include <windows.h>
#include <shellapi.h>

namespace wv {

void set_env(std::string_view name, const std::optional<NativeString>& value) {
  std::wstring key = native_from_utf8(name);
  SetEnvironmentVariableW(key.c_str(), value ? value->c_str() : nullptr);
}

std::vector<std::string> command_line_arguments() {
  std::vector<std::string> out;
  int count = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &count);
  if (argv == nullptr) return out;
  for (int i = 0; i < count; ++i) out.push_back(native_to_utf8_lossy(argv[i]));
  LocalFree(static_cast<void*>(argv));
  return out;
}

}  // namespace wv
