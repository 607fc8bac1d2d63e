#include "platform/file_identity.h"

#include <windows.h>

#include <cstring>
#include <optional>

#include "platform/detail/file_open_win32.h"
#include "platform/detail/unique_handle.h"
#include "platform/detail/windows_file_id.h"

namespace wv {
namespace {

std::optional<detail::WindowsFileId> file_id(const std::filesystem::path& p) {
  UniqueHandle h(
      CreateFileW(long_path_form(p.native()).c_str(), 0, kShareAll, nullptr, OPEN_EXISTING, kOpenFlags, nullptr));
  if (!h) return std::nullopt;
  detail::WindowsFileId id;
  // On ReFS (a Dev Drive is ReFS) the 64-bit index need not be unique; the
  // 128-bit identifier is.
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

bool is_same_file(const std::filesystem::path& a, const std::filesystem::path& b) {
  std::optional<detail::WindowsFileId> ia = file_id(a), ib = file_id(b);
  return ia && ib && detail::same_windows_file(*ia, *ib);
}

}  // namespace wv
