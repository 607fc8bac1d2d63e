#include "bench/fixtures.h"

#include <fstream>
#include <random>

#include "datadir/data_dir.h"
#include "platform/clock.h"
#include "tests/support/status_json.h"

namespace wv::bench {

std::string typical_status(const std::string& udid, std::uint64_t updated_at) {
  return test::status_json({
      {"udid", test::quoted(udid)},
      {"agent_version", R"("2.3.0")"},
      {"device", R"({"name":"Phone )" + udid + R"(","product_type":"iPhone15,2","ios_version":"17.5.1"})"},
      {"session", R"("spoofing")"},
      {"provenance", R"("manual")"},
      {"transport", R"("usb")"},
      {"updated_at", std::to_string(updated_at)},
      {"pairing_repair_needed", "false"},
      {"route", R"({"id":"r1","name":"Ring road","travelled_m":1234.5,"total_m":4200,"paused":false,)"
                R"("finished":false,"remaining_secs":212,"speed_defaulted":false})"},
      {"motion", R"("route")"},
  });
}

std::string large_status(std::size_t approx_bytes) {
  std::string filler = R"("history":[)";
  for (std::size_t i = 0; filler.size() < approx_bytes; ++i) {
    if (i) filler += ',';
    filler += R"({"t":)" + std::to_string(i) + R"(,"lat":48.8566,"lon":2.3522,"note":"sample"})";
  }
  filler += "],";
  std::string base = typical_status("large", 1);
  return "{" + filler + base.substr(1);
}

namespace {

void write(const std::filesystem::path& p, const std::string& text) {
  std::filesystem::create_directories(p.parent_path());
  std::ofstream(p, std::ios::binary) << text;
}

}  // namespace

DataDir::DataDir(std::size_t devices) : devices_(devices) {
  std::random_device rd;
  path_ = std::filesystem::temp_directory_path() / ("wv-bench-" + std::to_string(rd()));
  std::string index = R"({"version":1,"agent_version":"2.3.0","devices":[)";
  std::uint64_t now = now_unix_secs();
  for (std::size_t i = 0; i < devices; ++i) {
    std::string udid = DataDir::udid(i);
    if (i) index += ',';
    index += R"({"udid":")" + udid + R"(","name":"Phone"})";
    write(status_path(path_, udid), typical_status(udid, now));
  }
  index += "]}";
  write(index_path(path_), index);
}

DataDir::~DataDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

}  // namespace wv::bench
