// The host, end to end, against the largest files a poll reads: statuses at
// the cap that cost the JSON library the most before they fail (a run of
// white space then junk, an array of nulls cut short, a string cut short,
// arrays nested deep), and a valid one whose remediation fills the cap,
// listed thirty times. The poll stays within its ceiling, the host's memory
// under 64 MiB, and Enter is answered within seconds.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "datadir/device_status.h"
#include "datadir/json_file.h"
#include "platform/os.h"
#include "tests/support/host_run.h"
#include "tests/support/status_json.h"
#include "tests/support/test_support.h"

namespace wv {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr std::size_t kMiB = std::size_t{1024} * 1024;

// AddressSanitizer holds freed memory back and adds its own, so there the
// host's resident peak says nothing about the host.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kPeakMeansSomething = false;
#else
constexpr bool kPeakMeansSomething = true;
#endif

std::string small_status(std::string_view udid) {
  return test::status_json({{"udid", test::quoted(udid)}, {"session", R"("spoofing")"}});
}

// `start`, then `unit` as many times as fits in `size` bytes, then `end`.
std::string file_of(const std::string& start, const std::string& unit, const std::string& end,
                    std::size_t size = kMaxPublishedFileBytes) {
  std::string text = start;
  while (text.size() + unit.size() + end.size() <= size) text += unit;
  return text + end;
}

// A valid status of about `size` bytes whose remediation the screen shows at
// its largest: DEL, which JSON lets stand unescaped, is one byte in the file
// and three (U+FFFD) on the screen.
std::string big_status(std::size_t size) {
  return file_of(test::status_json_open({{"udid", R"("big")"}, {"remediation", std::nullopt}}) + R"(,"remediation":")",
                 "\x7f", "|end\"}", size);
}

// What the host promises to stay under, whatever the data directory holds.
constexpr std::size_t kPeakLimit = 64 * kMiB;

class HostileFilesTest : public ::testing::Test {
 protected:
  // Starts the host on the data directory, waits until its output ends with
  // `tail` (after `early`, which comes first and is quicker to look for in a
  // long output), lets it poll a few more times, notes its resident peak,
  // then types Enter. How long the host took to exit after it.
  std::chrono::duration<double> run_until_shown_then_stop(std::string_view early, std::string_view tail) {
    test::HostRunOptions options;
    options.env = {
        {"WAYVANE_AGENT_PATH", test::agent_sim_exe().native()},
        {"WAYVANE_GPS_DIR", data_.native()},
        {"WV_SIM_MODE", test::native("wait-stdin")},
        {"WV_SIM_RECORD", record_.native()},
        {"WV_SIM_COUNT", std::nullopt},
    };
    auto run = std::make_unique<test::HostRun>(scratch_ / "stderr", std::move(options));
    EXPECT_TRUE(run->started());
    EXPECT_TRUE(run->wait_for_out(early, 60s)) << run->err();
    EXPECT_TRUE(test::wait_until([&] { return run->out().ends_with(tail); }, 60s));
    std::this_thread::sleep_for(3s);  // polls that reread and redecode everything
    peak_ = host_peak();
    // Where the system keeps the figure, it must be read.
    EXPECT_TRUE(peak_ || kIsWindows || !fs::exists("/proc/self/status"));
    if (peak_) RecordProperty("host_peak_mib", static_cast<int>(*peak_ / kMiB));
    const auto typed = Clock::now();
    run->type("\n");
    EXPECT_EQ(run->wait_exit(60s), 0) << run->err();
    const auto took = Clock::now() - typed;
    RecordProperty("stop_ms", static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(took).count()));
    out_ = run->out();
    return took;
  }

  // The host's resident peak, in bytes, where the system tells (Linux): the
  // agent records its id, and the host is its parent.
  std::optional<std::size_t> host_peak() const {
    if (kIsWindows) return std::nullopt;
    std::optional<std::string> agent;
    for (const auto& line : test::read_lines(record_)) {
      if (line.starts_with("pid ")) agent = line.substr(4);
    }
    if (!agent || !fs::exists("/proc/" + *agent + "/stat")) return std::nullopt;
    // "pid (name) state ppid ...": the name may hold spaces, so read after its ')'.
    const std::string stat = test::read_file("/proc/" + *agent + "/stat");
    const std::string after = stat.substr(stat.rfind(')') + 2);
    const std::string host = after.substr(2, after.find(' ', 2) - 2);
    for (const auto& line : test::read_lines("/proc/" + host + "/status")) {
      if (line.starts_with("VmHWM:")) return std::stoull(line.substr(6)) * 1024;  // kB
    }
    return std::nullopt;
  }

  test::ScratchDir scratch_;
  fs::path data_ = scratch_ / "data";
  fs::path record_ = scratch_ / "agent-record";
  std::string out_;
  std::optional<std::size_t> peak_;
};

TEST_F(HostileFilesTest, HostileFilesAtTheCapAreLeftOutAndCostUnder64MiB) {
  // Read after three listings of a valid file the screen shows at its
  // largest, so that each is decoded next to the most a poll keeps.
  const std::vector<std::string> hostile = {"deep", "space", "nulls", "cut"};
  std::string index = R"({"devices":[{"udid":"big"},{"udid":"big"},{"udid":"big"})";
  for (const auto& udid : hostile) index += R"(,{"udid":")" + udid + R"("})";
  scratch_.write("data/devices.json", index + R"(,{"udid":"ok"}]})");
  scratch_.write("data/devices/ok/status.json", small_status("ok"));
  // Each a file's least short of the cap, so that all fit in one poll with
  // the index and ok.
  const std::size_t size = kMaxPublishedFileBytes - kLeastFileBytes;
  static_assert(7 * (kMaxPublishedFileBytes - kLeastFileBytes) + 2 * kLeastFileBytes <= kPollReadBytes);
  scratch_.write("data/devices/big/status.json", big_status(size));
  // Each must be refused for the rule it was made to break, not for a slip
  // in how it was written.
  const std::string start = test::status_json_open({{"udid", R"("x")"}}) + R"(,"x":)";
  const std::string deep = std::string(125, '[') + std::string(125, ']');
  // A file cut short breaks the rules one byte past its end.
  auto cut = [](std::string text) {
    std::string rule = "not well-formed JSON at byte " + std::to_string(text.size() + 1);
    return std::pair{std::move(text), std::move(rule)};
  };
  const std::pair<std::string, std::string> files[] = {
      {file_of(test::status_json_open({{"udid", R"("deep")"}, {"version", std::nullopt}}) + R"(,"x":[)", deep + ",",
               "0]}", size),
       "version: required, but missing"},
      {file_of(start, "\n", "x}", size), "not well-formed JSON at byte " + std::to_string(size - 1)},
      cut(file_of(start + "[", "null,", "", size)),
      cut(file_of(start + "\"", "s", "", size)),
  };
  for (std::size_t i = 0; i < hostile.size(); ++i) {
    auto decoded = decode_status(files[i].first);
    ASSERT_FALSE(decoded) << hostile[i];
    EXPECT_EQ(decoded.error().message(), files[i].second) << hostile[i];
    scratch_.write("data/devices/" + hostile[i] + "/status.json", files[i].first);
  }

  const auto took = run_until_shown_then_stop("\n  Device ok…", "Device ok…               Spoofing / Unknown\n");
  EXPECT_LT(took, 5s) << "Enter waited for the poll";
  for (const auto& udid : hostile) EXPECT_EQ(out_.find("Device " + udid), std::string::npos) << udid;
  if (peak_ && kPeakMeansSomething) {
    EXPECT_LT(*peak_, kPeakLimit) << "peak resident memory of the host, MiB: " << *peak_ / kMiB;
  }
}

TEST_F(HostileFilesTest, AValidFileAtTheCapListedThirtyTimesIsReadUpToTheCeiling) {
  std::string index = R"({"devices":[{"udid":"ok"})";
  for (int i = 0; i < 30; ++i) index += R"(,{"udid":"big"})";
  scratch_.write("data/devices.json", index + "]}");
  scratch_.write("data/devices/ok/status.json", small_status("ok"));
  scratch_.write("data/devices/big/status.json", big_status(kMaxPublishedFileBytes));

  const auto took = run_until_shown_then_stop("Device big…", "\uFFFD|end\n");
  EXPECT_LT(took, 5s) << "Enter waited for the poll";
  // The index and ok take a file's least each; the listings of big after
  // those that fit would take the poll past its ceiling.
  const std::size_t fit = (kPollReadBytes - 2 * kLeastFileBytes) / kMaxPublishedFileBytes;
  ASSERT_LT(fit, 30u);
  const std::string line = "\n      -> ";
  std::size_t blocks = 0;
  for (std::size_t at = out_.find(line); at != std::string::npos; at = out_.find(line, at + 1)) ++blocks;
  EXPECT_EQ(blocks, fit) << "blocks of big on the one screen written";
  EXPECT_EQ(out_.find("Device ok…"), out_.rfind("Device ok…")) << "one screen, never written again";
  if (peak_ && kPeakMeansSomething) {
    EXPECT_LT(*peak_, kPeakLimit) << "peak resident memory of the host, MiB: " << *peak_ / kMiB;
  }
}

}  // namespace
}  // namespace wv
