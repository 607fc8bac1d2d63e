// The console host under faults and load, end to end on the built program:
// status files rewritten in place as fast as the agent can, a thousand
// devices, a data directory that must stay untouched, and processes killed
// from outside.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "host/messages.h"
#include "platform/clock.h"
#include "platform/os.h"
#include "platform/process.h"
#include "platform/testing/process_testing.h"
#include "platform/text.h"
#include "tests/support/host_fixture.h"
#include "tests/support/host_run.h"
#include "tests/support/status_json.h"
#include "tests/support/test_support.h"

namespace wv {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using test::HostRun;
using test::native;
using test::ScratchDir;

constexpr auto kStartTimeout = 15s;
constexpr auto kExitTimeout = 20s;

bool is_stop_outcome(std::string_view line) {
  for (auto outcome : {StopOutcome::Exited, StopOutcome::NotRunning, StopOutcome::Terminated}) {
    if (line == stop_outcome_message(outcome)) return true;
  }
  return false;
}

// The screens in the host's output: each starts with its "agent: " line and
// holds the lines up to the next one. The banner and the stop lines around
// them are left out.
std::vector<std::vector<std::string>> screens_in(std::string_view out) {
  std::vector<std::vector<std::string>> screens;
  for (auto& line : test::split_lines(out)) {
    if (line.starts_with("agent: ")) {
      screens.push_back({line});
      continue;
    }
    // A screen's own lines start with two spaces; any other line inside one
    // is never expected, and is kept so that the checks below fail on it.
    const bool outside = line.empty() || line + "\n" == kStoppingLine || is_stop_outcome(line);
    if (!screens.empty() && (line.starts_with("  ") || !outside)) screens.back().push_back(line);
  }
  return screens;
}

// A device line as the screen shows it: the label padded to 24 characters.
std::string device_line(std::string_view label, std::string_view session_and_transport) {
  std::string line = "  " + std::string(label);
  if (label.size() < 24) line.append(24 - label.size(), ' ');
  return line + " " + std::string(session_and_transport);
}

std::string status_json(std::string_view udid, std::string_view name, std::uint64_t updated_at) {
  return test::status_json(
      {{"udid", test::quoted(udid)},
       {"updated_at", std::to_string(updated_at)},
       {"device", R"({"name":")" + std::string(name) + R"(","product_type":"iPhone15,2","ios_version":"17.5"})"},
       {"session", R"("spoofing")"},
       {"transport", R"("usb")"}});
}

std::string udid_of(std::size_t i) {
  std::string n = std::to_string(i);
  return "00008110-" + std::string(8 - n.size(), '0') + n;
}

std::string name_of(std::size_t i) {
  std::string n = std::to_string(i);
  return "Phone " + std::string(4 - n.size(), '0') + n;
}

// Writes devices.json listing `count` devices and, for each, a status file
// that stays fresh for an hour.
void publish_devices(const ScratchDir& scratch, std::string_view dir, std::size_t count) {
  std::string index = "{\"version\":1,\"agent_version\":\"t\",\"devices\":[";
  const std::uint64_t fresh = now_unix_secs() + 3600;
  for (std::size_t i = 0; i < count; ++i) {
    if (i > 0) index += ",";
    index += "{\"udid\":\"" + udid_of(i) + "\",\"name\":\"" + name_of(i) + "\"}";
    scratch.write(std::string(dir) + "/devices/" + udid_of(i) + "/status.json",
                  status_json(udid_of(i), name_of(i), fresh));
  }
  scratch.write(std::string(dir) + "/devices.json", index + "]}");
}

class HostFaultTest : public test::HostWithSimAgentTest {
 protected:
  void stop_and_expect_clean_exit(HostRun& run) {
    run.type("\n");
    EXPECT_EQ(run.wait_exit(kExitTimeout), 0) << run.err();
    EXPECT_TRUE(run.wait_out_closed(kExitTimeout));
  }

  // What a failed wait for the agent shows: the host's side, and how far the
  // agent got.
  std::string state_of(const HostRun& run) const {
    const auto record = test::read_lines(record_);
    return "host output:\n" + run.out() + "host errors:\n" + run.err() + "launches: " + std::to_string(launches()) +
           ", agent record: " + std::to_string(record.size()) + " lines" +
           (record.empty() ? std::string() : ", the last \"" + record.back() + "\"");
  }
};

// ---------------------------------------------------------------------------
// Torn writes

TEST_F(HostFaultTest, StatusFilesRewrittenInPlaceNeverShowAPartOfAFileAndAllComeBackOnceTheChurnStops) {
  constexpr std::size_t kDevices = 6;
  constexpr int kChurnSeconds = 30;
  std::string devices;
  for (std::size_t i = 0; i < kDevices; ++i) {
    if (i > 0) devices += ",";
    devices += "{\"udid\":\"" + udid_of(i) + "\",\"name\":\"" + name_of(i) +
               "\",\"status\":{\"version\":1,\"agent_version\":\"sim\",\"connected\":true,"
               "\"device\":{\"name\":\"" +
               name_of(i) +
               "\",\"product_type\":\"iPhone15,2\",\"ios_version\":\"17.5\"},"
               "\"session\":\"spoofing\",\"remediation\":\"Keep the phone unlocked.\",\"transport\":\"usb\"}}";
  }
  auto scenario = scratch_.write("churn.scenario", "{\"churn\":true,\"churn_for\":" + std::to_string(kChurnSeconds) +
                                                       ",\"devices\":[" + devices + "]}");

  const auto t0 = Clock::now();
  auto run = start("publish:" + path_to_utf8_lossy(scenario));
  ASSERT_TRUE(run->started());

  // Every block a complete file gives, in the order of the index.
  std::vector<std::string> device_lines;
  device_lines.reserve(kDevices);
  for (std::size_t i = 0; i < kDevices; ++i) device_lines.push_back(device_line(name_of(i), "Spoofing / Usb"));
  const std::string remediation = "      -> Keep the phone unlocked.";
  std::string full_screen = "agent: running";
  for (const auto& line : device_lines) full_screen.append("\n").append(line).append("\n").append(remediation);
  full_screen += "\n";

  std::this_thread::sleep_until(t0 + std::chrono::seconds(kChurnSeconds + 1));
  EXPECT_TRUE(test::wait_until([&] { return run->out().ends_with(full_screen); }, 15s))
      << "the last screen after the churn:\n"
      << run->out().substr(run->out().rfind("agent: ") == std::string::npos ? 0 : run->out().rfind("agent: "));
  stop_and_expect_clean_exit(*run);

  auto screens = screens_in(run->out());
  ASSERT_FALSE(screens.empty());
  std::size_t partial = 0;
  for (const auto& screen : screens) {
    ASSERT_EQ(screen[0].substr(0, 14), "agent: running") << screen[0];
    if (screen.size() == 1) {
      // The index not written yet: the no-devices screen.
      EXPECT_TRUE(screen[0].starts_with("agent: running   (no devices yet")) << screen[0];
      continue;
    }
    // Each device shows whole, with its remediation line, or not at all, and
    // the devices keep the order of the index.
    std::size_t next = 0;
    std::size_t shown = 0;
    for (std::size_t l = 1; l < screen.size(); l += 2) {
      auto it = std::find(device_lines.begin() + static_cast<std::ptrdiff_t>(next), device_lines.end(), screen[l]);
      ASSERT_NE(it, device_lines.end()) << "a line no complete file gives, or out of order: " << screen[l];
      ASSERT_LT(l + 1, screen.size()) << "device without its remediation line";
      ASSERT_EQ(screen[l + 1], remediation);
      next = static_cast<std::size_t>(it - device_lines.begin()) + 1;
      ++shown;
    }
    if (shown < kDevices) ++partial;
  }
  // How often a half-written file was caught (and its device left out).
  RecordProperty("screens", static_cast<int>(screens.size()));
  RecordProperty("screens_with_a_device_left_out", static_cast<int>(partial));
}

// ---------------------------------------------------------------------------
// Load

TEST_F(HostFaultTest, AThousandDevicesAreAllListedInTheirOrder) {
  constexpr std::size_t kDevices = 1000;
  publish_devices(scratch_, "data", kDevices);
  auto run = start("wait-stdin");
  ASSERT_TRUE(run->started());
  const std::string last = device_line(name_of(kDevices - 1), "Spoofing / Usb") + "\n";
  ASSERT_TRUE(run->wait_for_out(last, kStartTimeout)) << run->err();
  stop_and_expect_clean_exit(*run);

  auto screens = screens_in(run->out());
  ASSERT_EQ(screens.size(), 1u) << "an unchanged directory gives one screen";
  const auto& screen = screens[0];
  ASSERT_EQ(screen.size(), kDevices + 1);
  EXPECT_EQ(screen[0], "agent: running");
  for (std::size_t i = 0; i < kDevices; ++i) {
    ASSERT_EQ(screen[i + 1], device_line(name_of(i), "Spoofing / Usb")) << "device " << i;
  }
}

// ---------------------------------------------------------------------------
// The data directory is only ever read

struct Entry {
  std::string path;
  bool directory;
  std::string content;
  fs::file_time_type modified;
  bool operator==(const Entry&) const = default;
};

std::vector<Entry> listing(const fs::path& root) {
  std::vector<Entry> entries;
  for (const auto& e : fs::recursive_directory_iterator(root)) {
    bool dir = e.is_directory();
    entries.push_back({path_to_utf8_lossy(fs::relative(e.path(), root)), dir, dir ? "" : test::read_file(e.path()),
                       e.last_write_time()});
  }
  std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.path < b.path; });
  return entries;
}

void set_read_only(const fs::path& root, bool read_only) {
  constexpr auto kWrite = fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
  const auto how = read_only ? fs::perm_options::remove : fs::perm_options::add;
  std::error_code ec;
  fs::permissions(root, kWrite, how, ec);
  for (const auto& e : fs::recursive_directory_iterator(root)) fs::permissions(e.path(), kWrite, how, ec);
}

TEST_F(HostFaultTest, TheHostLeavesTheDataDirectoryAsItFoundIt) {
  publish_devices(scratch_, "data", 3);
  scratch_.write("data/devices/00008110-00000001/status.json", "{ torn");
  fs::remove(data_dir_ / "devices" / native(udid_of(2)) / "status.json");
  // Files a reader might be tempted to lock, rename or clean up.
  scratch_.write("data/devices.json.tmp", "{}");
  scratch_.write("data/devices/stray/status.json", "{}");

  const auto before = listing(data_dir_);
  // Write permission removed; as root that stops nothing, and the listing
  // comparison below is what holds the host to it.
  set_read_only(data_dir_, true);
  auto run = start("wait-stdin");
  ASSERT_TRUE(run->started());
  EXPECT_TRUE(run->wait_for_out(device_line(name_of(0), "Spoofing / Usb"), kStartTimeout)) << run->err();
  std::this_thread::sleep_for(3s);  // a few more polls
  stop_and_expect_clean_exit(*run);
  set_read_only(data_dir_, false);

  EXPECT_EQ(listing(data_dir_), before);
}

// ---------------------------------------------------------------------------
// Processes killed from outside

TEST_F(HostFaultTest, AnAgentKilledFromOutsideIsRelaunched) {
  auto run = start("wait-stdin");
  ASSERT_TRUE(run->started());
  ASSERT_TRUE(test::wait_until([&] { return agent_pid().has_value(); }, kStartTimeout)) << state_of(*run);
  ASSERT_TRUE(run->wait_for_out("agent: running", kStartTimeout));
  const long first = *agent_pid();
  ASSERT_TRUE(kill_process(first));
  const auto killed = Clock::now();

  // A quick exit: relaunched after the 2 s back-off, within the same poll, so
  // the screen goes on saying "running".
  ASSERT_TRUE(test::wait_until([&] { return launches() == 2 && agent_pid() && *agent_pid() != first; }, kStartTimeout))
      << state_of(*run);
  EXPECT_GE(Clock::now() - killed, 2s);
  EXPECT_EQ(screens_in(run->out()).size(), 1u);
  stop_and_expect_clean_exit(*run);
  EXPECT_TRUE(run->out().ends_with(std::string(stop_outcome_message(StopOutcome::Exited)) + "\n"));
  EXPECT_EQ(launches(), 2u);
}

TEST_F(HostFaultTest, AHostKilledFromOutsideLeavesAnAgentThatSeesTheEndOfItsInputAndExits) {
  auto run = start("wait-stdin");
  ASSERT_TRUE(run->started());
  ASSERT_TRUE(test::wait_until([&] { return agent_pid().has_value(); }, kStartTimeout)) << state_of(*run);
  ASSERT_TRUE(run->wait_for_out("agent: running", kStartTimeout));

  run->kill();
  const auto killed = Clock::now();
  // The agent holds the host's standard output too: the pipe ends with it.
  ASSERT_TRUE(run->wait_out_closed(kExitTimeout)) << "the agent outlived the host";
  const double took = std::chrono::duration<double>(Clock::now() - killed).count();
  EXPECT_TRUE(agent_recorded("stdin-end"));
  EXPECT_LT(took, 1.0) << "the agent took " << took << " s to go";
}

}  // namespace
}  // namespace wv
