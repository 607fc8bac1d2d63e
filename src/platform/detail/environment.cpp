#include "platform/detail/environment.h"

#include <algorithm>

namespace wv::detail {
namespace {

constexpr NativeString::value_type kEquals = '=';

// Windows keeps hidden per-drive entries such as "=C:=C:\dir", whose name
// starts with '='.
NativeStringView entry_name(NativeStringView entry) { return entry.substr(0, entry.find(kEquals, 1)); }

}  // namespace

std::vector<NativeString> merge_environment(std::vector<NativeString> entries, const decltype(SpawnRequest::env)& changes,
                                            NameOrder order, bool sort) {
  for (const auto& [key, value] : changes) {
    NativeString name = native_from_utf8(key);
    std::erase_if(entries, [&](const NativeString& e) { return order(entry_name(e), name) == 0; });
    if (value) entries.push_back(name + kEquals + *value);
  }
  if (sort) {
    std::stable_sort(entries.begin(), entries.end(), [&](const NativeString& a, const NativeString& b) {
      return order(entry_name(a), entry_name(b)) < 0;
    });
  }
  return entries;
}

}  // namespace wv::detail
