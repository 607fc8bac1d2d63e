#include "bench/harness.h"

#include <algorithm>
#include <cstdio>

namespace wv::bench {

namespace detail {

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? 0 : values[values.size() / 2];
}

}  // namespace detail

bool report(const std::vector<Figure>& figures, const std::filesystem::path& tsv) {
  std::FILE* out = std::fopen(tsv.c_str(), "a");
  bool met = true;
  for (const Figure& f : figures) {
    bool ok = f.ratio <= f.goal;
    met = met && ok;
    std::printf("%-16s %14.3f %-5s %14.3f %-5s %7.2fx   goal <= %.1f %s\n", f.name.c_str(), f.measured, f.unit.c_str(),
                f.baseline, f.unit.c_str(), f.ratio, f.goal, ok ? "met" : "MISSED");
    if (out != nullptr) std::fprintf(out, "%s\t%.3f\t%.3f\t%.3f\n", f.name.c_str(), f.measured, f.baseline, f.ratio);
  }
  if (out != nullptr) std::fclose(out);
  std::fflush(stdout);
  return met;
}

}  // namespace wv::bench
