#pragma once
// Clocks and sleeping.

#include <chrono>
#include <cstdint>

#include "platform/duration.h"

namespace wv {

using MonotonicClock = std::chrono::steady_clock;
using MonotonicInstant = MonotonicClock::time_point;

inline MonotonicInstant monotonic_now() { return MonotonicClock::now(); }

// Time from `since` to now; zero if the clock reads earlier than `since`.
inline Duration elapsed_since(MonotonicInstant since) { return Duration::from_chrono(MonotonicClock::now() - since); }

// Blocks the calling thread for at least `d`.
void sleep_for(Duration d);

// Wall-clock time in whole seconds since 1970-01-01 00:00:00 UTC, fraction
// dropped; 0 when the clock reads a time before 1970. The system clock's
// epoch is that one from C++20 on.
inline std::uint64_t now_unix_secs() {
  auto secs = std::chrono::floor<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch()).count();
  return secs < 0 ? 0 : static_cast<std::uint64_t>(secs);
}

}  // namespace wv
