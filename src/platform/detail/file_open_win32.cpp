#include "platform/detail/file_open_win32.h"

#include <windows.h>

#include <cstdint>

#include "platform/detail/grow_buffer.h"

namespace wv::detail {
namespace {

// A directory's name leaves room for an 8.3 file name within MAX_PATH, so
// paths from here on are treated as long.
constexpr std::size_t kLongFrom = MAX_PATH - 12;

// "C:\..." or "\\server\...": a path that names the same file from any
// working directory.
bool is_absolute(const std::wstring& path) {
  if (path.starts_with(L"\\\\")) return true;
  return path.size() >= 3 && path[1] == L':' && (path[2] == L'\\' || path[2] == L'/');
}

}  // namespace

std::wstring long_path_form(const std::wstring& given) {
  if (given.starts_with(L"\\\\?\\") || given.starts_with(L"\\\\.\\")) return given;
  // A short relative path can still name a long one from a deep working
  // directory, so its length is judged once it is made absolute.
  if (given.size() < kLongFrom && is_absolute(given)) return given;

  // GetFullPathNameW itself has no MAX_PATH limit.
  auto absolute = fill_growing<wchar_t>(given.size() + MAX_PATH, SIZE_MAX, [&](wchar_t* data, std::size_t n) {
    return unless_zero(GetFullPathNameW(given.c_str(), static_cast<DWORD>(n), data, nullptr));
  });
  if (!absolute || absolute->size() < kLongFrom) return given;
  const std::wstring& full = *absolute;
  if (full.starts_with(L"\\\\")) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}

std::wstring program_path_form(const std::wstring& path) {
  std::wstring long_form = long_path_form(path);
  if (long_form == path) return long_form;
  // A short form is never longer than the long one.
  const std::size_t room = long_form.size() + 1;
  auto short_path = fill_growing<wchar_t>(room, room, [&](wchar_t* data, std::size_t size) {
    return unless_zero(GetShortPathNameW(long_form.c_str(), data, static_cast<DWORD>(size)));
  });
  if (!short_path) return long_form;
  std::wstring short_form = std::move(*short_path);
  // The prefix came along; the short form is meant for where it is not understood.
  if (short_form.starts_with(L"\\\\?\\UNC\\"))
    short_form = L"\\\\" + short_form.substr(8);
  else if (short_form.starts_with(L"\\\\?\\"))
    short_form.erase(0, 4);
  return short_form.size() < MAX_PATH ? short_form : long_form;
}

}  // namespace wv::detail
