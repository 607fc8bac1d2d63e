#pragma once
// A span of time as the host reasons about it: whole seconds plus nanoseconds.
// Comparisons look at the seconds first and the nanoseconds only on a tie.

#include <chrono>
#include <compare>
#include <cstdint>

namespace wv {

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

}  // namespace wv
