#include "platform/clock.h"

#include <gtest/gtest.h>

#include <chrono>

namespace wv {
namespace {

using namespace std::chrono_literals;

TEST(DurationTest, ComparesSecondsFirstAndNanosecondsOnATie) {
  EXPECT_LT(Duration::millis(999), Duration::seconds(1));
  EXPECT_LT((Duration{1, 999'999'999}), Duration::seconds(2));
  EXPECT_GT((Duration{2, 0}), (Duration{1, 999'999'999}));
  EXPECT_EQ(Duration::millis(6000), Duration::seconds(6));
  EXPECT_EQ(Duration::millis(2500), (Duration{2, 500'000'000}));
}

TEST(DurationTest, ConvertsFromChronoClampingNegativeSpansToZero) {
  EXPECT_EQ(Duration::from_chrono(1500ms), Duration::millis(1500));
  EXPECT_EQ(Duration::from_chrono(-3s), Duration{});
  EXPECT_EQ(Duration::from_chrono(1ns), (Duration{0, 1}));
  EXPECT_EQ(Duration::from_chrono(std::chrono::hours(24)), Duration::seconds(86'400));
}

TEST(DurationTest, ConvertsToChronoSaturatingBeyondWhatItHolds) {
  EXPECT_EQ(Duration::millis(100).to_chrono(), 100ms);
  EXPECT_EQ((Duration{UINT64_MAX, 999'999'999}).to_chrono(), std::chrono::nanoseconds::max());
  EXPECT_EQ(Duration::from_chrono(Duration::seconds(30).to_chrono()), Duration::seconds(30));
}

}  // namespace
}  // namespace wv
