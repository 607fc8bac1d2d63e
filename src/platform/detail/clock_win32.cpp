#include "platform/clock.h"

#include <windows.h>

namespace wv {

void sleep_for(Duration d) {
  // Sleep takes milliseconds; round up so the sleep is never shorter than asked.
  std::uint64_t ms = d.secs * 1000 + (d.nanos + 999'999) / 1'000'000;
  while (ms > 0) {
    DWORD chunk = ms >= INFINITE ? INFINITE - 1 : static_cast<DWORD>(ms);
    Sleep(chunk);
    ms -= chunk;
  }
}

std::uint64_t now_unix_secs() {
  FILETIME ft{};
  GetSystemTimePreciseAsFileTime(&ft);
  // FILETIME counts 100 ns ticks since 1601-01-01.
  constexpr std::uint64_t ticks_per_sec = 10'000'000;
  constexpr std::uint64_t unix_epoch_secs = 11'644'473'600;
  std::uint64_t ticks = (static_cast<std::uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
  std::uint64_t secs = ticks / ticks_per_sec;
  return secs < unix_epoch_secs ? 0 : secs - unix_epoch_secs;
}

}  // namespace wv
