// The cost of one poll: decoding a status file, loading a snapshot and
// rendering the screen, each against what the same work costs without our
// rules. Appends its figures to the file named by its argument.
//   wv_bench <ratios.tsv>

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

#include "bench/fixtures.h"
#include "bench/harness.h"
#include "datadir/device_status.h"
#include "datadir/json_file.h"
#include "datadir/snapshot.h"
#include "host/status_screen.h"
#include "platform/testing/read_floor.h"

namespace {

using namespace wv;
using namespace wv::bench;

// The floor of any loader: the reader's own system calls (open, fstat, one
// read, close) on the index and each status file, with none of its checks,
// the paths built in one reused string, into one buffer.
class ReadFloor {
 public:
  explicit ReadFloor(const DataDir& dir) : dir_(dir.path().string()) {
    for (std::size_t i = 0; i < dir.devices(); ++i) udids_.push_back(DataDir::udid(i));
  }

  void operator()() {
    path_.assign(dir_).append("/devices.json");
    read();
    for (const std::string& udid : udids_) {
      path_.assign(dir_).append("/devices/").append(udid).append("/status.json");
      read();
    }
  }

 private:
  void read() {
    read_file_floor(path_, buffer_);
    keep(buffer_.size());
  }

  std::string dir_;
  std::vector<std::string> udids_;
  std::string path_;
  std::string buffer_;
};

// What building any screen of the snapshot must at least cost: copying its
// texts into one string.
std::string copy_texts(const Snapshot& snapshot) {
  std::string out;
  for (const auto& view : snapshot) {
    out += view.status.udid;
    out += view.status.remediation;
    if (view.status.device) out += view.status.device->name;
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  const std::filesystem::path tsv = argc > 1 ? argv[1] : "ratios.tsv";
  std::vector<Figure> figures;

  const std::string typical = typical_status("00008110-001A2C3E0E9B801E", 1796695870);
  // As large as a file the host reads.
  const std::string large = large_status(kMaxPublishedFileBytes);
  figures.push_back(compare_times(
      "decode_typical", 1.0, [&] { keep(decode_status(typical)); }, [&] { keep(nlohmann::json::parse(typical)); }));
  figures.push_back(compare_times(
      "decode_large", 1.0, [&] { keep(decode_status(large)); }, [&] { keep(nlohmann::json::parse(large)); }));

  // A typical status costs the JSON library's own lexer about as much to
  // decode as the system takes to open and read it, so a poll costs some
  // twice the floor; the goal leaves room for the machine's noise.
  for (std::size_t devices : {10, 100, 1000}) {
    DataDir dir(devices);
    ReadFloor floor(dir);
    figures.push_back(compare_times(
        "snapshot_" + std::to_string(devices), 2.5, [&] { keep(load_snapshot(dir.path(), Duration::seconds(20))); },
        [&] { floor(); }));
  }
  for (std::size_t devices : {10, 1000}) {
    DataDir dir(devices);
    Snapshot snapshot = load_snapshot(dir.path(), Duration::seconds(20));
    if (snapshot.size() != devices) {
      std::fprintf(stderr, "the fixture's %zu devices did not all load\n", devices);
      return 2;
    }
    figures.push_back(compare_times(
        "render_" + std::to_string(devices), 5.0, [&] { keep(render_screen(AgentState::Running, snapshot)); },
        [&] { keep(copy_texts(snapshot)); }));
  }
  return report(figures, tsv) ? 0 : 1;
}
