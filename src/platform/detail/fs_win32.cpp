#include "platform/fs.h"

#include <windows.h>

#include <algorithm>

#include "platform/detail/file_open_win32.h"
#include "platform/detail/fs_system.h"
#include "platform/detail/grow_buffer.h"
#include "platform/detail/unique_handle.h"

namespace wv {
bool is_existing_non_directory(const std::filesystem::path& p) {
  // Opening the file itself (rather than asking for its attributes) follows
  // symbolic links to their target, as the metadata test must.
  UniqueHandle h(
      CreateFileW(long_path_form(p.native()).c_str(), 0, kShareAll, nullptr, OPEN_EXISTING, kOpenFlags, nullptr));
  if (!h) return false;
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(h.get(), &info)) return false;
  return (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::optional<std::filesystem::path> current_exe_path() {
  // GetModuleFileNameW cuts a path too long for the buffer short, and says
  // only that; no path is longer than 32,767 characters (Microsoft Learn,
  // "Maximum Path Length Limitation").
  auto path = detail::fill_growing<wchar_t>(MAX_PATH, 32768 * 2, [](wchar_t* data, std::size_t size) {
    return detail::unless_zero(GetModuleFileNameW(nullptr, data, static_cast<DWORD>(size)));
  });
  if (!path) return std::nullopt;
  return std::filesystem::path(*path);
}

std::optional<std::filesystem::path> temp_dir() {
  // GetTempPath2W exists from Windows 11 and Server 2022 on; older systems
  // (and Wine 8) only have GetTempPathW. Either returns at most MAX_PATH + 1
  // characters (Microsoft Learn, "GetTempPath2W function").
  auto get_temp_path = detail::kernel32_function<DWORD(WINAPI*)(DWORD, LPWSTR)>("GetTempPath2W");
  if (get_temp_path == nullptr) get_temp_path = &GetTempPathW;
  auto path = detail::fill_growing<wchar_t>(MAX_PATH + 2, MAX_PATH + 2, [&](wchar_t* data, std::size_t size) {
    return detail::unless_zero(get_temp_path(static_cast<DWORD>(size), data));
  });
  if (!path) return std::nullopt;
  return std::filesystem::path(*path);
}

namespace fs_system {

std::expected<File, ReadFailure> open_for_reading(const std::filesystem::path::string_type& path) {
  File h(detail::as_stream(CreateFileW(long_path_form(path).c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL | kOpenFlags, nullptr)));
  if (!h) {
    DWORD error = GetLastError();
    return std::unexpected(error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? ReadFailure::Missing
                                                                                          : ReadFailure::Io);
  }
  return h;
}

std::expected<std::uint64_t, ReadFailure> regular_file_size(const File& file) {
  // Pipes and character devices would block or never end.
  if (GetFileType(detail::as_handle(file.get())) != FILE_TYPE_DISK) return std::unexpected(ReadFailure::NotRegular);
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(detail::as_handle(file.get()), &info)) return std::unexpected(ReadFailure::Io);
  if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return std::unexpected(ReadFailure::NotRegular);
  return (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
}

std::expected<std::size_t, ReadFailure> read_some(const File& file, char* buffer, std::size_t size) {
  DWORD n = 0;
  DWORD ask = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
  if (!ReadFile(detail::as_handle(file.get()), buffer, ask, &n, nullptr)) return std::unexpected(ReadFailure::Io);
  return n;
}

}  // namespace fs_system

}  // namespace wv
