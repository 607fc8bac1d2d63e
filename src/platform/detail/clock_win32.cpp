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

}  // namespace wv
