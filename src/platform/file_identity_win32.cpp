#include "platform/file_identity.h"

#include <windows.h>

#include <optional>

#include "platform/long_path_win32.h"
#include "platform/open_flags_win32.h"
#include "platform/unique_handle.h"

namespace wv {
namespace {

struct FileId {
  DWORD volume, high, low;
  friend bool operator==(const FileId&, const FileId&) = default;
};

std::optional<FileId> file_id(const std::filesystem::path& p) {
  UniqueHandle h(CreateFileW(long_path_form(p.native()).c_str(), 0,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                             kOpenFlags, nullptr));
  BY_HANDLE_FILE_INFORMATION info{};
  if (!h || !GetFileInformationByHandle(h.get(), &info)) return std::nullopt;
  return FileId{info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
}

}  // namespace

bool is_same_file(const std::filesystem::path& a, const std::filesystem::path& b) {
  std::optional<FileId> ia = file_id(a), ib = file_id(b);
  return ia && ib && *ia == *ib;
}

}  // namespace wv
