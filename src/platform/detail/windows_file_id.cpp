#include "platform/detail/windows_file_id.h"

#include <algorithm>

namespace wv::detail {
namespace {

bool usable(const std::optional<WindowsFileId::Id128>& id) {
  return id && std::any_of(id->id.begin(), id->id.end(), [](std::uint8_t b) { return b != 0; });
}

}  // namespace

bool same_windows_file(const WindowsFileId& a, const WindowsFileId& b) {
  if (usable(a.id128) && usable(b.id128)) return a.id128 == b.id128;
  // One file with a 128-bit identifier and one without are on two volumes,
  // unless the call failed on one of them only; the 64-bit index, which
  // every file system gives, decides then.
  return a.index64 && a.index64 == b.index64;
}

}  // namespace wv::detail
