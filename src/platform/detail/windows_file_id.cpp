#include "platform/detail/windows_file_id.h"

#include <algorithm>

namespace wv::detail {
namespace {

// The identifier, unless it is missing or all zero (no identifier given).
const WindowsFileId::Id128* usable(const std::optional<WindowsFileId::Id128>& id) {
  if (!id || std::all_of(id->id.begin(), id->id.end(), [](std::uint8_t b) { return b == 0; })) return nullptr;
  return &*id;
}

}  // namespace

bool same_windows_file(const WindowsFileId& a, const WindowsFileId& b) {
  const WindowsFileId::Id128* ida = usable(a.id128);
  const WindowsFileId::Id128* idb = usable(b.id128);
  if (ida != nullptr && idb != nullptr) return ida->volume == idb->volume && ida->id == idb->id;
  // One file with a 128-bit identifier and one without are on two volumes,
  // unless the call failed on one of them only; the 64-bit index, which
  // every file system gives, decides then.
  return a.index64 && b.index64 && a.index64->volume == b.index64->volume && a.index64->index == b.index64->index;
}

}  // namespace wv::detail
