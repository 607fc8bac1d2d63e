#include "platform/env.h"

#include <cstdlib>
#include <string>

namespace wv {

std::optional<NativeString> get_env(std::string_view name) {
  const char* value = std::getenv(std::string(name).c_str());
  if (value == nullptr) return std::nullopt;
  return NativeString(value);
}

}  // namespace wv
