#pragma once
// How a Windows file system names a file, and whether two such names are one
// file. Pure code, so both platforms build and test it; fs_win32.cpp
// reads the names. Internal to the platform layer.

#include <array>
#include <cstdint>
#include <optional>

namespace wv::detail {

struct WindowsFileId {
  // FILE_ID_INFO: the volume's 64-bit serial and the file's 128-bit
  // identifier, unique within the volume on every file system that has one.
  struct Id128 {
    std::uint64_t volume = 0;
    std::array<std::uint8_t, 16> id{};
    friend bool operator==(const Id128&, const Id128&) = default;
  };
  // BY_HANDLE_FILE_INFORMATION: the volume's 32-bit serial and the file's
  // 64-bit index, which ReFS does not keep unique.
  struct Index64 {
    std::uint32_t volume = 0;
    std::uint64_t index = 0;
    friend bool operator==(const Index64&, const Index64&) = default;
  };
  std::optional<Id128> id128;      // none where the call was refused
  std::optional<Index64> index64;  // none where the call was refused
};

// The 128-bit identifiers decide where both files have one; the 64-bit
// indexes only where either has not. An identifier of all zeros is a file
// system's way of saying it has none.
bool same_windows_file(const WindowsFileId& a, const WindowsFileId& b);

}  // namespace wv::detail
