#pragma once
// What every fuzz target checks besides survival.

#include <cstdio>
#include <cstdlib>
#include <string_view>

#include <nlohmann/json.hpp>

namespace wv::fuzz {

[[noreturn]] inline void fail(const char* what) {
  std::fprintf(stderr, "property failed: %s\n", what);
  std::abort();
}

inline void check(bool ok, const char* what) {
  if (!ok) fail(what);
}

// A decoder never accepts what the JSON library itself calls malformed.
inline void check_well_formed(std::string_view text) {
  check(nlohmann::json::accept(text), "an accepted file is well-formed JSON");
}

}  // namespace wv::fuzz
