// Data directories made to cost the host the most memory it can be made to
// spend, each in a folder of its own under the given one, for
// bench/hostile_peak.sh to run the host on. Prints one line a folder: its
// name, a tab, what it holds. A folder holding a file named `later` is run
// in two steps: once its first screen is shown, `later` replaces the file
// that `later-path` names (relative to the folder).
//   wv_bench_hostile_dirs <folder>
//
// Every file is as large as a poll reads (the cap), and the poll reads as
// many as its ceiling allows: files it keeps, each shown at its largest, then
// the hostile one, so that the most the snapshot and the last screen hold
// meets the most a decode costs.

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "datadir/json_file.h"
#include "tests/support/status_json.h"

namespace {

namespace fs = std::filesystem;
using namespace wv;

constexpr std::size_t kCap = kMaxPublishedFileBytes;

// `start`, then `unit` as many times as fits in the cap, then `end`.
std::string file_of(const std::string& start, const std::string& unit, const std::string& end) {
  std::string text = start;
  while (text.size() + unit.size() + end.size() <= kCap) text += unit;
  return text + end;
}

const std::string kStart = test::status_json_open({{"udid", R"("bad")"}}) + ",";

// A valid status the poll keeps and the screen shows at its largest: DEL, a
// control character JSON lets stand unescaped in a string, is one byte in
// the file and three on the screen (U+FFFD).
std::string kept_status(const std::string& udid) {
  return file_of(
      test::status_json_open({{"udid", test::quoted(udid)}, {"remediation", std::nullopt}}) + R"(,"remediation":")",
      "\x7f", "\"}");
}

struct Scenario {
  std::string name;
  std::string what;
  std::string index_tail;  // inside the index's object, after the devices
  std::string hostile;     // the status of the device listed last, if any
  bool later = false;      // the hostile status replaces a kept one after the first screen
};

void write(const fs::path& path, const std::string& text) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << text;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: wv_bench_hostile_dirs <folder>\n");
    return 2;
  }
  const fs::path root = argv[1];
  const std::string white_space = file_of(kStart + R"("x":)", "\n", "x}");
  const std::vector<Scenario> scenarios = {
      {"white-space", "kept files, then a status of white space and junk", "", white_space},
      {"white-space-later", "kept files shown, then one of them turned to white space and junk", "", white_space, true},
      {"nulls", "kept files, then a status of [null,null,... cut short", "", file_of(kStart + R"("x":[)", "null,", "")},
      {"string", "kept files, then a status of one string cut short", "", file_of(kStart + R"("x":")", "s", "")},
      {"deep-status", "kept files, then a status nested deep", "", file_of(kStart + R"("x":)", "[", "")},
      {"deep-index", "an index nesting an unknown key deep, cut short", R"(,"x":)" + std::string(kCap, '['), ""},
      {"white-space-index", "an index ending in white space and junk", std::string(kCap, '\n') + "x", ""},
      {"kept", "kept files up to the ceiling, each shown at its largest", "", ""},
  };
  for (const Scenario& s : scenarios) {
    const fs::path dir = root / s.name;
    // The index takes a file's least unless it is the hostile file; a
    // hostile status listed beside the kept ones takes a cap.
    const bool big_index = !s.index_tail.empty();
    const bool hostile_listed = !s.hostile.empty() && !s.later;
    std::size_t left = kPollReadBytes - (big_index ? kCap : kLeastFileBytes) - (hostile_listed ? kCap : 0);
    std::string index = R"({"devices":[)";
    for (std::size_t i = 0; left >= kCap; ++i, left -= kCap) {
      const std::string udid = "kept-" + std::to_string(i);
      write(dir / "devices" / udid / "status.json", kept_status(udid));
      index += R"({"udid":")" + udid + R"("},)";
    }
    index += R"({"udid":"bad"}])";
    if (hostile_listed) write(dir / "devices" / "bad" / "status.json", s.hostile);
    if (s.later) {
      write(dir / "later", s.hostile);
      write(dir / "later-path", "devices/kept-0/status.json");
    }
    index += big_index ? s.index_tail.substr(0, kCap - index.size()) : "}";
    write(dir / "devices.json", index);
    std::printf("%s\t%s\n", s.name.c_str(), s.what.c_str());
  }
  return 0;
}
