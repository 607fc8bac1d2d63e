// Data directories made to cost the host the most memory it can be made to
// spend, each in a folder of its own under the given one, for
// bench/hostile_peak.sh to run the host on. Prints one line a folder:
// its name, a tab, what it holds.
//   wv_bench_hostile_dirs <folder>
//
// Every file is as large as a poll reads (the cap), and the poll reads as
// many as its ceiling allows: first files it keeps, then the hostile one, so
// that the most the snapshot holds meets the most a decode costs.

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "datadir/json_file.h"

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

const std::string kStart =
    R"({"udid":"bad","version":1,"agent_version":"a","connected":true,"session":"idle","remediation":"",)";

// A valid status the poll keeps and the screen shows at its largest: each
// U+0085 (two bytes) is a control character, shown as U+FFFD (three).
std::string kept_status(const std::string& udid) {
  return file_of(R"({"udid":")" + udid + R"(","version":1,"agent_version":"a","connected":true,)"
                 R"("session":"idle","remediation":")",
                 "\xC2\x85", "\"}");
}

struct Scenario {
  std::string name;
  std::string what;
  std::string index_tail;  // after the devices list, inside the index's object
  std::string hostile;     // the status of the device listed last, if any
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
  const std::string deep_open(kCap, '[');
  const std::vector<Scenario> scenarios = {
      {"white-space", "kept files, then a status of white space and junk", "",
       file_of(kStart + R"("x":)", "\n", "x}")},
      {"nulls", "kept files, then a status of [null,null,... cut short", "", file_of(kStart + R"("x":[)", "null,", "")},
      {"string", "kept files, then a status of one string cut short", "", file_of(kStart + R"("x":")", "s", "")},
      {"deep-status", "kept files, then a status nested deep", "", file_of(kStart + R"("x":)", "[", "")},
      {"deep-index", "an index nesting an unknown key deep, cut short", R"(,"x":)" + deep_open, ""},
      {"white-space-index", "an index ending in white space and junk", file_of("", "\n", "x"), ""},
      {"kept", "kept files up to the ceiling, each shown at its largest", "", ""},
  };
  for (const Scenario& s : scenarios) {
    const fs::path dir = root / s.name;
    // The index takes a file's least, or a cap when it is the hostile file;
    // the hostile status takes a cap; kept files take the rest.
    std::size_t kept = kPollReadBytes / kCap - 1;
    if (!s.hostile.empty() || !s.index_tail.empty()) --kept;
    write(dir / "devices" / "kept" / "status.json", kept_status("kept"));
    std::string index = R"({"devices":[)";
    for (std::size_t i = 0; i < kept; ++i) index += R"({"udid":"kept"},)";
    index += R"({"udid":"bad"}])";
    if (!s.hostile.empty()) write(dir / "devices" / "bad" / "status.json", s.hostile);
    if (!s.index_tail.empty()) {
      // The tail fills the index to the cap.
      index += s.index_tail.substr(0, kCap - index.size());
    } else {
      index += "}";
    }
    write(dir / "devices.json", index);
    std::printf("%s\t%s\n", s.name.c_str(), s.what.c_str());
  }
  return 0;
}
