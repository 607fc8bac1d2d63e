#pragma once
// Figures of a poll's work, each a ratio: what our code costs over what a
// baseline that does the least any implementation must do costs, both
// measured in the same process. The two run in alternating short slices, and
// the figure is the median of the slices' ratios, so that a machine slowed
// by other work slows both alike.

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

namespace wv::bench {

struct Figure {
  std::string name;
  double measured = 0;  // per operation, in `unit`
  double baseline = 0;
  double ratio = 0;  // median of the slices' ratios, for times
  double goal = 0;   // the ratio not to exceed
  std::string unit;
};

// Keeps the compiler from dropping a computation whose result is unused.
template <class T>
inline void keep(const T& value) {
  asm volatile("" : : "r,m"(value) : "memory");
}

namespace detail {

using Clock = std::chrono::steady_clock;

template <class F>
double seconds_for(F& f, std::size_t operations) {
  auto start = Clock::now();
  for (std::size_t i = 0; i < operations; ++i) f();
  return std::chrono::duration<double>(Clock::now() - start).count();
}

double median(std::vector<double> values);

}  // namespace detail

// Times one operation of `measured` against one of `baseline`.
template <class Measured, class Baseline>
Figure compare_times(std::string name, double goal, Measured measured, Baseline baseline) {
  constexpr int kSlices = 31;
  constexpr double kSliceSeconds = 0.004;
  measured();
  baseline();
  std::size_t operations = 1;
  while (operations < (std::size_t{1} << 24) && detail::seconds_for(measured, operations) < kSliceSeconds) {
    operations *= 2;
  }
  std::vector<double> ratios, ours, theirs;
  for (int slice = 0; slice < kSlices; ++slice) {
    double a = 0, b = 0;
    // Each goes first in every other slice.
    if (slice % 2 == 0) {
      a = detail::seconds_for(measured, operations);
      b = detail::seconds_for(baseline, operations);
    } else {
      b = detail::seconds_for(baseline, operations);
      a = detail::seconds_for(measured, operations);
    }
    ratios.push_back(a / b);
    ours.push_back(a / static_cast<double>(operations) * 1e6);
    theirs.push_back(b / static_cast<double>(operations) * 1e6);
  }
  return Figure{std::move(name), detail::median(ours), detail::median(theirs), detail::median(ratios), goal, "us"};
}

// Appends the figures to `tsv`, one line each (name, measured, baseline,
// ratio, tab-separated), and prints them with their goals. False when a goal
// is missed.
bool report(const std::vector<Figure>& figures, const std::filesystem::path& tsv);

}  // namespace wv::bench
