#include "platform/testing/env_testing.h"

#include <cstdlib>
#include <fstream>
#include <iterator>

namespace wv {

void set_env(std::string_view name, const std::optional<NativeString>& value) {
  std::string key(name);
  if (value) {
    ::setenv(key.c_str(), value->c_str(), 1);
  } else {
    ::unsetenv(key.c_str());
  }
}

std::vector<std::string> command_line_arguments() {
  std::ifstream in("/proc/self/cmdline", std::ios::binary);
  std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<std::string> out;
  std::size_t start = 0;
  while (start < all.size()) {
    std::size_t end = all.find('\0', start);
    if (end == std::string::npos) end = all.size();
    out.push_back(native_to_utf8_lossy(all.substr(start, end - start)));
    start = end + 1;
  }
  return out;
}

}  // namespace wv
