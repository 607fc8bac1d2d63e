#pragma once
// Time as the host reasons about it: spans of whole seconds and nanoseconds,
// the monotonic clock that measures them, and the wall clock. Sleeping is
// the thread's (thread.h).

#include <chrono>
#include <compare>
#include <cstdint>

namespace wv {

// A span of time. Comparisons look at the seconds first and the nanoseconds
// only on a tie.
struct Duration {
  std::uint64_t secs = 0;
  std::uint32_t nanos = 0;  // always below one second

  friend constexpr auto operator<=>(const Duration&, const Duration&) = default;

  static constexpr Duration seconds(std::uint64_t s) { return {s, 0}; }
  static constexpr Duration millis(std::uint64_t ms) {
    return {ms / 1000, static_cast<std::uint32_t>((ms % 1000) * 1'000'000)};
  }

  // Negative spans (a clock that went backwards) clamp to zero.
  template <class Rep, class Period>
  static constexpr Duration from_chrono(std::chrono::duration<Rep, Period> d) {
    auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(d).count();
    if (ns <= 0) return {};
    return {static_cast<std::uint64_t>(ns / 1'000'000'000), static_cast<std::uint32_t>(ns % 1'000'000'000)};
  }

  // Saturates rather than overflowing for spans beyond what chrono can hold.
  constexpr std::chrono::nanoseconds to_chrono() const {
    constexpr std::uint64_t max_secs =
        static_cast<std::uint64_t>(std::chrono::nanoseconds::max().count() / 1'000'000'000) - 1;
    if (secs > max_secs) return std::chrono::nanoseconds::max();
    return std::chrono::seconds(secs) + std::chrono::nanoseconds(nanos);
  }
};

using MonotonicClock = std::chrono::steady_clock;
using MonotonicInstant = MonotonicClock::time_point;

inline MonotonicInstant monotonic_now() { return MonotonicClock::now(); }

// Time from `since` to now; zero if the clock reads earlier than `since`.
inline Duration elapsed_since(MonotonicInstant since) { return Duration::from_chrono(MonotonicClock::now() - since); }

// Wall-clock time in whole seconds since 1970-01-01 00:00:00 UTC, fraction
// dropped; 0 when the clock reads a time before 1970. The system clock's
// epoch is that one from C++20 on ([time.clock.system.overview]).
inline std::uint64_t now_unix_secs() {
  auto secs = std::chrono::floor<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch()).count();
  return secs < 0 ? 0 : static_cast<std::uint64_t>(secs);
}

}  // namespace wv
