#include "platform/env.h"

#include <cstdlib>
#include <string>

extern char** environ;

namespace wv {

std::optional<NativeString> get_env(std::string_view name) {
  const char* value = std::getenv(std::string(name).c_str());
  if (value == nullptr) return std::nullopt;
  return NativeString(value);
}

std::vector<NativeString> own_environment() {
  std::vector<NativeString> out;
  for (char** e = environ; e != nullptr && *e != nullptr; ++e) out.emplace_back(*e);
  return out;
}

int compare_env_names(NativeStringView a, NativeStringView b) { return a.compare(b); }

}  // namespace wv
