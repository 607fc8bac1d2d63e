#pragma once
// The text of a status.json, for the tests and the benchmarks (which include
// this without linking the rest of the test support): the smallest valid
// file, with members set, removed, or added after the others.

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace wv::test {

// A member's key and its value's JSON text; no text leaves the member out.
using StatusMember = std::pair<std::string, std::optional<std::string>>;

// The object up to, not including, its closing brace, so that a caller may
// go on writing it. A member of the record is set where an agent writes it,
// in the record's order; any other key is added after the others, as often
// as it is given.
inline std::string status_json_open(const std::vector<StatusMember>& changes = {}) {
  std::vector<StatusMember> members = {
      {"udid", R"("U")"},
      {"publish_error", {}},
      {"version", "1"},
      {"agent_version", R"("1.0")"},
      {"connected", "true"},
      {"device", {}},
      {"session", R"("idle")"},
      {"provenance", {}},
      {"remediation", R"("")"},
      {"error", {}},
      {"transport", {}},
      {"updated_at", {}},
      {"pairing_repair_needed", {}},
      {"route", {}},
      {"motion", {}},
      {"steering", {}},
  };
  const std::size_t known = members.size();
  for (const auto& [key, value] : changes) {
    std::size_t i = 0;
    while (i < known && members[i].first != key) ++i;
    if (i < known) {
      members[i].second = value;
    } else {
      members.emplace_back(key, value);
    }
  }
  std::string text = "{";
  for (const auto& [key, value] : members) {
    if (!value) continue;
    if (text.size() > 1) text += ',';
    text += '"';
    text += key;
    text += "\":";
    text += *value;
  }
  return text;
}

inline std::string status_json(const std::vector<StatusMember>& changes = {}) {
  return status_json_open(changes) + "}";
}

// `text` as a JSON string; it must hold nothing that needs escaping.
inline std::string quoted(std::string_view text) {
  std::string out = "\"";
  out += text;
  out += '"';
  return out;
}

}  // namespace wv::test
