#include "platform/long_path_win32.h"

#include <windows.h>

namespace wv {
namespace {

// A directory's name leaves room for an 8.3 file name within MAX_PATH, so
// paths from here on are treated as long.
constexpr std::size_t kLongFrom = MAX_PATH - 12;

}  // namespace

std::wstring long_path_form(const std::filesystem::path& p) {
  const std::wstring& given = p.native();
  if (given.size() < kLongFrom || given.starts_with(L"\\\\?\\") || given.starts_with(L"\\\\.\\")) return given;

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
  if (full.starts_with(L"\\\\")) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}

}  // namespace wv
