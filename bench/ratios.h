#pragma once
// Which benchmark is compared with which baseline in the final table.

#include <string>
#include <vector>

namespace wv::bench {

struct RatioPair {
  std::string measured;
  std::string baseline;
};

// Registered by the benchmark files as they define their pairs.
std::vector<RatioPair>& ratio_pairs();

inline bool add_ratio(std::string measured, std::string baseline) {
  ratio_pairs().push_back({std::move(measured), std::move(baseline)});
  return true;
}

}  // namespace wv::bench
