#include "platform/testing/read_floor.h"

#include <windows.h>

#include "platform/detail/file_open_win32.h"

namespace wv {

void read_file_floor(const char* path, std::string& buffer) {
  HANDLE h = CreateFileA(path, GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return;
  LARGE_INTEGER size{};
  if (GetFileSizeEx(h, &size)) {
    buffer.resize(static_cast<std::size_t>(size.QuadPart));
    DWORD n = 0;
    if (!ReadFile(h, buffer.data(), static_cast<DWORD>(buffer.size()), &n, nullptr)) buffer.clear();
  }
  CloseHandle(h);
}

}  // namespace wv
