#include "platform/detail/stream_io.h"

namespace wv::detail {

bool is_console_or_terminal(StandardStream which) {
  std::optional<NativeStream> s = standard_stream(which);
  return s && is_console_or_terminal(*s);
}

bool write_all(NativeStream s, std::string_view bytes) {
  while (!bytes.empty()) {
    std::optional<std::size_t> n = write_some(s, bytes);
    if (!n) return false;
    bytes.remove_prefix(*n);
  }
  return true;
}

}  // namespace wv::detail
