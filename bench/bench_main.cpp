// Benchmarks of one poll's work, each measured against a baseline in the same
// run and printed as a ratio, so the figures mean the same on any machine.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "bench/ratios.h"

namespace {

// Collects each run's time per iteration beside the usual console output.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.run_type == Run::RT_Iteration && !run.error_occurred) {
        times_[run.benchmark_name()] = run.GetAdjustedRealTime();
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }
  const std::map<std::string, double>& times() const { return times_; }

 private:
  std::map<std::string, double> times_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();

  std::printf("\n%-34s %-34s %12s %12s %8s\n", "measured", "baseline", "time", "baseline", "ratio");
  for (const auto& pair : wv::bench::ratio_pairs()) {
    auto m = reporter.times().find(pair.measured);
    auto b = reporter.times().find(pair.baseline);
    if (m == reporter.times().end() || b == reporter.times().end() || b->second <= 0) continue;
    std::printf("%-34s %-34s %10.1fus %10.1fus %7.2fx\n", pair.measured.c_str(), pair.baseline.c_str(),
                m->second / 1000.0, b->second / 1000.0, m->second / b->second);
  }
  return 0;
}
