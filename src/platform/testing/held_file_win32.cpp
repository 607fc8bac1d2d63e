#include "platform/testing/held_file.h"

#include <windows.h>

#include "platform/detail/file_open_win32.h"
#include "platform/detail/unique_handle.h"

namespace wv {

std::optional<HeldWriter> HeldWriter::open(const std::filesystem::path& p) {
  HANDLE h = CreateFileW(p.c_str(), GENERIC_WRITE | DELETE, detail::kShareAll, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return std::nullopt;
  return HeldWriter(detail::as_stream(h));
}

bool make_fifo(const std::filesystem::path&) { return false; }

}  // namespace wv
