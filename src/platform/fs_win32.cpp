#include "platform/fs.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

#include "platform/detail/file_open_win32.h"
#include "platform/detail/grow_buffer.h"
#include "platform/detail/unique_handle.h"
#include "platform/detail/windows_file_id.h"

namespace wv {
namespace {

using detail::UniqueHandle;

// Opening the file itself (rather than asking for its attributes) follows
// symbolic links to their target, as a metadata test must: CreateFileW opens
// the target unless FILE_FLAG_OPEN_REPARSE_POINT is given (Microsoft Learn,
// "CreateFileW function", symbolic link behavior).
UniqueHandle open_for_metadata(const std::filesystem::path& p) {
  return UniqueHandle(CreateFileW(detail::long_path_form(p.native()).c_str(), 0, detail::kShareAll, nullptr,
                                  OPEN_EXISTING, detail::kOpenFlags, nullptr));
}

std::optional<detail::WindowsFileId> file_id(const std::filesystem::path& p) {
  UniqueHandle h = open_for_metadata(p);
  if (!h) return std::nullopt;
  detail::WindowsFileId id;
  // "The 64-bit identifier in this structure is not guaranteed to be unique
  // on ReFS" (a Dev Drive is ReFS); the 128-bit one of FILE_ID_INFO is
  // (Microsoft Learn, "BY_HANDLE_FILE_INFORMATION structure", nFileIndexLow).
  FILE_ID_INFO info128{};
  if (GetFileInformationByHandleEx(h.get(), FileIdInfo, &info128, sizeof info128)) {
    auto& id128 = id.id128.emplace();
    id128.volume = info128.VolumeSerialNumber;
    static_assert(sizeof info128.FileId.Identifier == sizeof id128.id);
    std::memcpy(id128.id.data(), info128.FileId.Identifier, id128.id.size());
  }
  // Asked for even where the 128-bit one was given: the comparison needs it
  // whenever the other file has none.
  BY_HANDLE_FILE_INFORMATION info{};
  if (GetFileInformationByHandle(h.get(), &info)) {
    id.index64 = detail::WindowsFileId::Index64{
        info.dwVolumeSerialNumber, (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
  }
  return id;
}

}  // namespace

bool is_existing_non_directory(const std::filesystem::path& p) {
  UniqueHandle h = open_for_metadata(p);
  if (!h) return false;
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(h.get(), &info)) return false;
  return (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool is_same_file(const std::filesystem::path& a, const std::filesystem::path& b) {
  std::optional<detail::WindowsFileId> ia = file_id(a), ib = file_id(b);
  return ia && ib && detail::same_windows_file(*ia, *ib);
}

std::optional<std::filesystem::path> current_exe_path() {
  // GetModuleFileNameW cuts a path too long for the buffer short, and says
  // only that; no path is longer than 32,767 characters (Microsoft Learn,
  // "Maximum Path Length Limitation").
  auto path = detail::fill_growing<wchar_t>(MAX_PATH, std::size_t{32768} * 2, [](wchar_t* data, std::size_t size) {
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

std::expected<ReadableFile, ReadFailure> ReadableFile::open(const NativeString& path) {
  UniqueStream h(
      detail::as_stream(CreateFileW(detail::long_path_form(path).c_str(), GENERIC_READ, detail::kShareAll, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | detail::kOpenFlags, nullptr)));
  if (!h) {
    DWORD error = GetLastError();
    return std::unexpected(error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? ReadFailure::Missing
                                                                                          : ReadFailure::Io);
  }
  return ReadableFile(std::move(h));
}

std::expected<std::uint64_t, ReadFailure> ReadableFile::regular_size() const {
  HANDLE h = detail::as_handle(stream_.get());
  // Pipes and character devices would block or never end.
  if (GetFileType(h) != FILE_TYPE_DISK) return std::unexpected(ReadFailure::NotRegular);
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(h, &info)) return std::unexpected(ReadFailure::Io);
  if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return std::unexpected(ReadFailure::NotRegular);
  return (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
}

// Not the stream's read_some, which takes a megabyte a call: a whole-file
// read counts a short read as the file's end, so one call must take all that
// was asked for (a gigabyte, far past any file's cap).
std::expected<std::size_t, ReadFailure> ReadableFile::read_some(char* buffer, std::size_t size) const {
  DWORD n = 0;
  DWORD ask = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
  if (!ReadFile(detail::as_handle(stream_.get()), buffer, ask, &n, nullptr)) return std::unexpected(ReadFailure::Io);
  return n;
}

}  // namespace wv
