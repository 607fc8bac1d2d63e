#include "platform/process.h"

#include <algorithm>
#include <iterator>
#include <list>

#include "platform/detail/process_shared.h"

namespace wv {

bool PipeEnd::write_all(std::string_view bytes) { return is_open() && detail::write_all(stream_.get(), bytes); }

std::optional<std::size_t> PipeEnd::read_some(char* buffer, std::size_t size) {
  if (!is_open()) return std::nullopt;
  return detail::read_some(stream_.get(), buffer, size);
}

namespace detail {
namespace {

constexpr NativeString::value_type kEquals = '=';

// Windows keeps hidden per-drive entries such as "=C:=C:\dir", whose name
// starts with '='.
NativeStringView entry_name(NativeStringView entry) { return entry.substr(0, entry.find(kEquals, 1)); }

}  // namespace

std::vector<NativeString> merge_environment(std::vector<NativeString> entries,
                                            const decltype(SpawnRequest::env)& changes, NameOrder order, bool sort) {
  for (const auto& [key, value] : changes) {
    NativeString name = native_from_utf8(key);
    std::erase_if(entries, [&](const NativeString& e) { return order(entry_name(e), name) == 0; });
    if (value) entries.push_back(name + kEquals + *value);
  }
  if (sort) {
    // std::list::sort is stable ([list.ops]); libstdc++ 12's stable_sort
    // calls its own deprecated get_temporary_buffer, which clang warns of.
    std::list<NativeString> sorted(std::make_move_iterator(entries.begin()), std::make_move_iterator(entries.end()));
    sorted.sort([&](const NativeString& a, const NativeString& b) { return order(entry_name(a), entry_name(b)) < 0; });
    entries.assign(std::make_move_iterator(sorted.begin()), std::make_move_iterator(sorted.end()));
  }
  return entries;
}

}  // namespace detail
}  // namespace wv
