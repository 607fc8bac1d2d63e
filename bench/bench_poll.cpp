// The cost of one poll: decoding a status file, loading a snapshot and
// rendering the screen, against what the same work costs without our rules.

#include <benchmark/benchmark.h>

#include <nlohmann/json.hpp>

#include "bench/fixtures.h"
#include "bench/ratios.h"
#include "datadir/data_dir.h"
#include "datadir/device_index.h"
#include "datadir/device_status.h"
#include "datadir/snapshot.h"
#include "host/status_screen.h"
#include "platform/fs.h"

namespace {

using namespace wv;
using namespace wv::bench;

const std::string& typical() {
  static const std::string text = typical_status("00008110-001A2C3E0E9B801E", 1796695870);
  return text;
}
const std::string& large() {
  static const std::string text = large_status(1 << 20);
  return text;
}

void decode_status_typical(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(decode_status(typical()));
}
void dom_parse_typical(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(nlohmann::json::parse(typical()));
}
void decode_status_large(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(decode_status(large()));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * large().size()));
}
void dom_parse_large(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(nlohmann::json::parse(large()));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * large().size()));
}

void load_snapshot_devices(benchmark::State& state) {
  DataDir dir(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(load_snapshot(dir.path(), Duration::seconds(20)));
}

// The same files read whole, without decoding: the floor of any loader.
void read_files_only(benchmark::State& state) {
  std::size_t n = static_cast<std::size_t>(state.range(0));
  DataDir dir(n);
  for (auto _ : state) {
    benchmark::DoNotOptimize(read_regular_file(index_path(dir.path()), 16u << 20));
    for (std::size_t i = 0; i < n; ++i) {
      benchmark::DoNotOptimize(read_regular_file(status_path(dir.path(), "device-" + std::to_string(i)), 16u << 20));
    }
  }
}

void render_screen_devices(benchmark::State& state) {
  DataDir dir(static_cast<std::size_t>(state.range(0)));
  Snapshot snapshot = load_snapshot(dir.path(), Duration::seconds(20));
  for (auto _ : state) benchmark::DoNotOptimize(render_screen(AgentState::Running, snapshot));
}

// Copying the snapshot's texts: what building any screen of it must at least cost.
void copy_texts_devices(benchmark::State& state) {
  DataDir dir(static_cast<std::size_t>(state.range(0)));
  Snapshot snapshot = load_snapshot(dir.path(), Duration::seconds(20));
  for (auto _ : state) {
    std::string out;
    for (const auto& view : snapshot) {
      out += view.status.udid;
      out += view.status.report.remediation;
      if (view.status.report.device) out += view.status.report.device->name;
    }
    benchmark::DoNotOptimize(out);
  }
}

BENCHMARK(dom_parse_typical);
BENCHMARK(decode_status_typical);
BENCHMARK(dom_parse_large);
BENCHMARK(decode_status_large);
BENCHMARK(read_files_only)->Arg(1)->Arg(10)->Arg(100)->Arg(1000);
BENCHMARK(load_snapshot_devices)->Arg(1)->Arg(10)->Arg(100)->Arg(1000);
BENCHMARK(copy_texts_devices)->Arg(1)->Arg(10)->Arg(100)->Arg(1000);
BENCHMARK(render_screen_devices)->Arg(1)->Arg(10)->Arg(100)->Arg(1000);

const bool registered = [] {
  add_ratio("decode_status_typical", "dom_parse_typical");
  add_ratio("decode_status_large", "dom_parse_large");
  for (const char* n : {"1", "10", "100", "1000"}) {
    add_ratio(std::string("load_snapshot_devices/") + n, std::string("read_files_only/") + n);
  }
  for (const char* n : {"1", "10", "100", "1000"}) {
    add_ratio(std::string("render_screen_devices/") + n, std::string("copy_texts_devices/") + n);
  }
  return true;
}();

}  // namespace
