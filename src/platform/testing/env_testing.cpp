#include "platform/testing/env_testing.h"

#include "platform/env.h"

namespace wv {

std::vector<std::string> environment_entries() {
  std::vector<std::string> out;
  for (const NativeString& entry : own_environment()) out.push_back(native_to_utf8_lossy(entry));
  return out;
}

}  // namespace wv
