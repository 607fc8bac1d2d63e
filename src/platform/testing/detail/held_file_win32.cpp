#include "platform/testing/held_file.h"

#include <windows.h>

#include <utility>

#include "platform/detail/open_flags_win32.h"
#include "platform/detail/stream_io.h"

namespace wv {

std::optional<HeldWriter> HeldWriter::open(const std::filesystem::path& p) {
  HANDLE h = CreateFileW(p.c_str(), GENERIC_WRITE | DELETE, kShareAll, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return std::nullopt;
  return HeldWriter(reinterpret_cast<std::intptr_t>(h));
}

HeldWriter::HeldWriter(HeldWriter&& other) noexcept : native_(std::exchange(other.native_, 0)) {}

HeldWriter::~HeldWriter() {
  if (native_ != 0) CloseHandle(reinterpret_cast<HANDLE>(native_));
}

bool HeldWriter::write(std::string_view bytes) { return detail::write_all(native_, bytes); }

bool make_fifo(const std::filesystem::path&) { return false; }

}  // namespace wv
