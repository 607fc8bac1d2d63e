// The host's poll loop, run in this process as fast as it will go, must hold
// no more handles or descriptors after hundreds of polls and dozens of agent
// relaunches than before them.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "agent/agent_supervisor.h"
#include "host/display_step.h"
#include "platform/clock.h"
#include "platform/process.h"
#include "platform/testing/process_testing.h"
#include "platform/text.h"
#include "platform/thread.h"
#include "tests/support/test_support.h"

namespace wv {
namespace {

namespace fs = std::filesystem;
using test::ScratchDir;

std::string status(std::string_view udid, std::uint64_t updated_at, std::string_view session) {
  return "{\"version\":1,\"agent_version\":\"t\",\"udid\":\"" + std::string(udid) +
         "\",\"updated_at\":" + std::to_string(updated_at) + ",\"connected\":true,\"session\":\"" +
         std::string(session) + "\",\"remediation\":\"\",\"transport\":\"usb\"}";
}

struct Polls {
  std::size_t polls = 0;
  std::size_t screens = 0;
};

// Polls as the host does, without the 1 s sleep, until both counts are
// reached. The agent exits as soon as it starts, so every tick may relaunch.
Polls poll(const ScratchDir& scratch, const fs::path& dir, const fs::path& launch_file, std::size_t min_polls,
           std::size_t min_launches) {
  // A run of any length is healthy, so the supervisor never gives up.
  AgentSupervisor supervisor(test::agent_sim_exe(), dir, Duration::millis(1), Duration{}, 3);
  Polls done;
  DisplayStep step(dir, [&](std::string_view) {
    ++done.screens;
    return true;
  });
  EXPECT_TRUE(supervisor.start().has_value());
  // Bounded, so that launches that stop coming fail the test instead of hanging it.
  while ((done.polls < min_polls || test::read_lines(launch_file).size() < min_launches) &&
         done.polls < 50 * min_polls) {
    supervisor.tick();
    EXPECT_TRUE(step.run(supervisor.agent_state()));
    ++done.polls;
    // Now and then a device changes, so that screens are printed too.
    if (done.polls % 10 == 0) {
      scratch.write("data/devices/u3/status.json",
                    status("u3", now_unix_secs(), done.polls % 20 == 0 ? "idle" : "spoofing"));
    }
    sleep_for(Duration::millis(5));
  }
  supervisor.stop(Duration::seconds(5));
  return done;
}

TEST(PollHandles, HandleCountStaysFlatAcrossThreeHundredPollsAndFiftyRelaunches) {
  ScratchDir scratch;
  const fs::path dir = scratch / "data";
  std::string index = "{\"version\":1,\"agent_version\":\"t\",\"devices\":[";
  for (int i = 0; i < 10; ++i) {
    std::string udid = "u" + std::to_string(i);
    index += std::string(i ? "," : "") + "{\"udid\":\"" + udid + "\",\"name\":\"\"}";
    if (i != 7) scratch.write("data/devices/" + udid + "/status.json", status(udid, now_unix_secs(), "spoofing"));
  }
  scratch.write("data/devices.json", index + "]}");
  const fs::path launches = scratch / "launches";
  test::ScopedEnv mode("WV_SIM_MODE", "exit:0:0");
  test::ScopedEnv count("WV_SIM_COUNT", path_to_utf8_lossy(launches));
  test::ScopedEnv record("WV_SIM_RECORD", std::nullopt);

  // One short round first, so that whatever the first use of a service opens
  // for good is open before the count is taken.
  poll(scratch, dir, launches, 10, 2);
  const std::optional<std::size_t> before = open_handle_count();
  ASSERT_TRUE(before.has_value());

  fs::remove(launches);
  Polls done = poll(scratch, dir, launches, 300, 50);
  const std::optional<std::size_t> after = open_handle_count();
  ASSERT_TRUE(after.has_value());

  EXPECT_GE(done.polls, 300u);
  EXPECT_GE(test::read_lines(launches).size(), 50u);
  EXPECT_GE(done.screens, 10u);
  EXPECT_EQ(*after, *before);
}

}  // namespace
}  // namespace wv
