#include "platform/fs.h"

#include <windows.h>

#include <algorithm>

#include "platform/detail/fs_system.h"
#include "platform/detail/long_path_win32.h"
#include "platform/detail/open_flags_win32.h"

namespace wv {
namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

}  // namespace

bool is_existing_non_directory(const std::filesystem::path& p) {
  // Opening the file itself (rather than asking for its attributes) follows
  // symbolic links to their target, as the metadata test must.
  UniqueHandle h(CreateFileW(long_path_form(p.native()).c_str(), 0, kShareAll, nullptr, OPEN_EXISTING,
                             kOpenFlags, nullptr));
  if (!h) return false;
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(h.get(), &info)) return false;
  return (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::optional<std::filesystem::path> current_exe_path() {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return std::nullopt;
    // A full buffer means the path was cut short; grow and try again.
    if (length < buffer.size()) {
      buffer.resize(length);
      return std::filesystem::path(buffer);
    }
    if (buffer.size() >= 32768 * 2) return std::nullopt;
    buffer.resize(buffer.size() * 2);
  }
}

std::optional<std::filesystem::path> temp_dir() {
  // GetTempPath2W exists from Windows 11 and Server 2022 on; older systems
  // (and Wine 8) only have GetTempPathW.
  using GetTempPathFn = DWORD(WINAPI*)(DWORD, LPWSTR);
  GetTempPathFn get_temp_path = &GetTempPathW;
  if (HMODULE kernel32 = GetModuleHandleW(L"kernel32.dll")) {
    if (FARPROC proc = GetProcAddress(kernel32, "GetTempPath2W")) {
      get_temp_path = reinterpret_cast<GetTempPathFn>(reinterpret_cast<void*>(proc));
    }
  }
  wchar_t buffer[MAX_PATH + 2] = {};
  DWORD length = get_temp_path(MAX_PATH + 1, buffer);
  if (length == 0 || length > MAX_PATH + 1) return std::nullopt;
  return std::filesystem::path(std::wstring(buffer, length));
}

namespace fs_system {

std::expected<File, ReadFailure> open_for_reading(const std::filesystem::path::string_type& path) {
  File h(CreateFileW(long_path_form(path).c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                     FILE_ATTRIBUTE_NORMAL | kOpenFlags, nullptr));
  if (!h) {
    DWORD error = GetLastError();
    return std::unexpected(error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? ReadFailure::Missing
                                                                                           : ReadFailure::Io);
  }
  return h;
}

std::expected<std::uint64_t, ReadFailure> regular_file_size(const File& file) {
  // Pipes and character devices would block or never end.
  if (GetFileType(file.get()) != FILE_TYPE_DISK) return std::unexpected(ReadFailure::NotRegular);
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(file.get(), &info)) return std::unexpected(ReadFailure::Io);
  if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return std::unexpected(ReadFailure::NotRegular);
  return (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
}

std::expected<std::size_t, ReadFailure> read_some(const File& file, char* buffer, std::size_t size) {
  DWORD n = 0;
  DWORD ask = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
  if (!ReadFile(file.get(), buffer, ask, &n, nullptr)) return std::unexpected(ReadFailure::Io);
  return n;
}

}  // namespace fs_system

}  // namespace wv
