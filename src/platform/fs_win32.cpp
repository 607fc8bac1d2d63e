#include "platform/fs.h"

#include <windows.h>

#include "platform/unique_handle.h"

namespace wv {
namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

}  // namespace

bool is_existing_non_directory(const std::filesystem::path& p) {
  // Opening the file itself (rather than asking for its attributes) follows
  // symbolic links to their target, as the metadata test must.
  UniqueHandle h(CreateFileW(p.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING,
                             FILE_FLAG_BACKUP_SEMANTICS, nullptr));
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

std::expected<std::string, ReadFailure> read_regular_file(const std::filesystem::path& p,
                                                          std::size_t max_bytes) {
  // A NUL would end the name early, and another file would be read.
  if (p.native().find(L'\0') != std::wstring::npos) return std::unexpected(ReadFailure::Missing);
  UniqueHandle h(CreateFileW(p.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!h) {
    DWORD error = GetLastError();
    return std::unexpected(error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND
                               ? ReadFailure::Missing
                               : ReadFailure::Io);
  }
  if (GetFileType(h.get()) != FILE_TYPE_DISK) return std::unexpected(ReadFailure::NotRegular);
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(h.get(), &info)) return std::unexpected(ReadFailure::Io);
  if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return std::unexpected(ReadFailure::NotRegular);
  std::uint64_t size = (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
  if (size > max_bytes) return std::unexpected(ReadFailure::TooLarge);

  std::string content;
  content.reserve(static_cast<std::size_t>(size));
  char chunk[16384];
  for (;;) {
    DWORD n = 0;
    if (!ReadFile(h.get(), chunk, sizeof chunk, &n, nullptr)) return std::unexpected(ReadFailure::Io);
    if (n == 0) break;
    // The file may grow while it is read; the limit holds for what is read too.
    if (content.size() + n > max_bytes) return std::unexpected(ReadFailure::TooLarge);
    content.append(chunk, n);
  }
  return content;
}

}  // namespace wv
