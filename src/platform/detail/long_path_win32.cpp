#include "platform/detail/long_path_win32.h"

#include <windows.h>

namespace wv {
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
  std::wstring full(given.size() + MAX_PATH, L'\0');
  for (;;) {
    DWORD length = GetFullPathNameW(given.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (length == 0) return given;
    if (length < full.size()) {
      full.resize(length);
      break;
    }
    full.resize(length);
  }
  if (full.size() < kLongFrom) return given;
  if (full.starts_with(L"\\\\")) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}

std::wstring program_path_form(const std::wstring& path) {
  std::wstring long_form = long_path_form(path);
  if (long_form == path) return long_form;
  std::wstring short_form(long_form.size() + 1, L'\0');
  DWORD length = GetShortPathNameW(long_form.c_str(), short_form.data(), static_cast<DWORD>(short_form.size()));
  if (length == 0 || length >= short_form.size()) return long_form;
  short_form.resize(length);
  // The prefix came along; the short form is meant for where it is not understood.
  if (short_form.starts_with(L"\\\\?\\UNC\\")) short_form = L"\\\\" + short_form.substr(8);
  else if (short_form.starts_with(L"\\\\?\\")) short_form.erase(0, 4);
  return short_form.size() < MAX_PATH ? short_form : long_form;
}

}  // namespace wv
