#include "publisher.h"

#include <atomic>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/console.h"
#include "platform/env.h"
#include "platform/text.h"
#include "platform/thread.h"

namespace wv::sim {

namespace {

using nlohmann::ordered_json;

constexpr int kCrashExitCode = 3;

std::string slurp(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Rewrites the file in place: truncate, then the text in two pieces with a
// pause between them, as an agent that does not write atomically would.
void write_in_place(const std::filesystem::path& p, const std::string& text, bool pause) {
  std::error_code ec;
  std::filesystem::create_directories(p.parent_path(), ec);
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  std::size_t half = text.size() / 2;
  out.write(text.data(), static_cast<std::streamsize>(half));
  out.flush();
  if (pause) sleep_for(Duration::millis(5));
  out.write(text.data() + half, static_cast<std::streamsize>(text.size() - half));
}

// Seconds since the first launch of this scenario in this data directory.
std::uint64_t scenario_start(const std::filesystem::path& state_file, bool* crashed_before) {
  std::uint64_t now = now_unix_secs();
  ordered_json state = ordered_json::parse(slurp(state_file), nullptr, false);
  if (state.is_object() && state.contains("start") && state["start"].is_number_unsigned()) {
    *crashed_before = state.value("crashed", false);
    return state["start"].get<std::uint64_t>();
  }
  *crashed_before = false;
  write_in_place(state_file, ordered_json{{"start", now}, {"crashed", false}}.dump(), false);
  return now;
}

ordered_json status_at(const ordered_json& device, std::uint64_t t, std::uint64_t now) {
  ordered_json status = device.value("status", ordered_json::object());
  status["udid"] = device.value("udid", "");
  if (device.contains("frames")) {
    for (const auto& frame : device["frames"]) {
      if (frame.value("at", std::uint64_t{0}) <= t && frame.contains("set")) status.merge_patch(frame["set"]);
    }
  }
  if (status.contains("route") && status["route"].is_object()) {
    auto& route = status["route"];
    double total = route.value("total_m", 0.0);
    double speed = device.value("speed_mps", 12.5);
    route["travelled_m"] = std::min(total, speed * static_cast<double>(t));
    route["finished"] = total > 0 && speed * static_cast<double>(t) >= total;
  }
  status["updated_at"] = now;
  return status;
}

}  // namespace

int run_publisher(const std::filesystem::path& scenario_file, const std::function<void()>& on_stdin_end) {
  ordered_json scenario = ordered_json::parse(slurp(scenario_file), nullptr, false);
  if (!scenario.is_object()) {
    (void)write_stderr("agent-sim: cannot read the scenario file\n");
    return 2;
  }
  auto dir_value = get_env("WAYVANE_GPS_DIR");
  if (!dir_value) {
    (void)write_stderr("agent-sim: WAYVANE_GPS_DIR is not set\n");
    return 2;
  }
  const std::filesystem::path dir(*dir_value);
  const ordered_json devices = scenario.value("devices", ordered_json::array());
  const bool churn_wanted = scenario.value("churn", false);
  const std::uint64_t churn_for = scenario.value("churn_for", UINT64_MAX);
  const auto state_file = dir / native_from_utf8(".agent-sim-state.json");

  auto stdin_ended = std::make_shared<std::atomic<bool>>(false);
  start_detached_thread("sim-stdin", [stdin_ended] {
    wait_for_stdin_end();
    stdin_ended->store(true);
  });

  bool crashed_before = false;
  const std::uint64_t start = scenario_start(state_file, &crashed_before);

  ordered_json index{{"version", 1}, {"agent_version", "sim-1.0"}, {"devices", ordered_json::array()}};
  for (const auto& d : devices)
    index["devices"].push_back({{"udid", d.value("udid", "")}, {"name", d.value("name", "")}});
  write_in_place(dir / native_from_utf8("devices.json"), index.dump(2), !churn_wanted);

  auto status_file = [&](const ordered_json& d) {
    return dir / native_from_utf8("devices") / native_from_utf8(d.value("udid", "")) / native_from_utf8("status.json");
  };

  for (;;) {
    if (stdin_ended->load()) {
      // The real agent clears the spoof here; the simulator says so in the files.
      for (const auto& d : devices) {
        std::uint64_t now = now_unix_secs();
        ordered_json status = status_at(d, now - start, now);
        status["session"] = "idle";
        status.erase("route");
        status["motion"] = "still";
        write_in_place(status_file(d), status.dump(2), false);
      }
      on_stdin_end();
      return 0;
    }
    std::uint64_t now = now_unix_secs();
    std::uint64_t t = now >= start ? now - start : 0;
    const bool churn = churn_wanted && t < churn_for;
    if (!crashed_before && scenario.contains("crash_at") && t >= scenario.value("crash_at", std::uint64_t{0})) {
      write_in_place(state_file, ordered_json{{"start", start}, {"crashed", true}}.dump(), false);
      (void)write_stderr("agent-sim: simulated crash\n");
      return kCrashExitCode;
    }
    for (const auto& d : devices) {
      if (d.contains("freeze_at") && t >= d.value("freeze_at", std::uint64_t{0})) continue;
      write_in_place(status_file(d), status_at(d, t, now).dump(2), !churn);
    }
    if (!churn) sleep_for(Duration::millis(250));
  }
}

}  // namespace wv::sim
