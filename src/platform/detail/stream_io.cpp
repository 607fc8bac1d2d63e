#include "platform/detail/stream_io.h"

namespace wv::detail {

bool write_all(NativeStream s, std::string_view bytes) {
  while (!bytes.empty()) {
    std::optional<std::size_t> n = write_some(s, bytes);
    if (!n) return false;
    bytes.remove_prefix(*n);
  }
  return true;
}

}  // namespace wv::detail
