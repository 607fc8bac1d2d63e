#include "platform/testing/env_testing.h"

#include <cstdlib>
#include <fstream>
#include <string>

namespace wv {

void set_env(std::string_view name, const std::optional<NativeString>& value) {
  std::string key(name);
  if (value)
    ::setenv(key.c_str(), value->c_str(), 1);
  else
    ::unsetenv(key.c_str());
}

std::vector<std::string> command_line_arguments() {
  // Each argument ends in a NUL.
  std::ifstream in("/proc/self/cmdline", std::ios::binary);
  std::vector<std::string> out;
  for (std::string arg; std::getline(in, arg, '\0');) out.push_back(native_to_utf8_lossy(arg));
  return out;
}

}  // namespace wv
