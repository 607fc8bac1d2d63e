#include "platform/env.h"

#include <iterator>
#include <list>

#include "platform/os.h"

namespace wv {
namespace {

constexpr NativeString::value_type kEquals = '=';

// Windows keeps hidden per-drive entries such as "=C:=C:\dir", whose name
// starts with '='.
NativeStringView entry_name(NativeStringView entry) { return entry.substr(0, entry.find(kEquals, 1)); }

}  // namespace

std::vector<NativeString> environment_with(std::vector<NativeString> entries, const EnvChanges& changes) {
  for (const auto& [key, value] : changes) {
    NativeString name = native_from_utf8(key);
    std::erase_if(entries, [&](const NativeString& e) { return compare_env_names(entry_name(e), name) == 0; });
    if (value) entries.push_back(name + kEquals + *value);
  }
  if constexpr (kIsWindows) {
    // A new process's block must be sorted by name (Microsoft Learn,
    // "Changing Environment Variables"). std::list::sort
    // is stable ([list.ops]); libstdc++ 12's stable_sort calls its own
    // deprecated get_temporary_buffer, which clang warns of.
    std::list<NativeString> sorted(std::make_move_iterator(entries.begin()), std::make_move_iterator(entries.end()));
    sorted.sort([](const NativeString& a, const NativeString& b) {
      return compare_env_names(entry_name(a), entry_name(b)) < 0;
    });
    entries.assign(std::make_move_iterator(sorted.begin()), std::make_move_iterator(sorted.end()));
  }
  return entries;
}

}  // namespace wv
