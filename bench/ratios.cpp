#include "bench/ratios.h"

namespace wv::bench {

std::vector<RatioPair>& ratio_pairs() {
  static std::vector<RatioPair> pairs;
  return pairs;
}

}  // namespace wv::bench
