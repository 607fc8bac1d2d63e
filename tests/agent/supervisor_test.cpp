// The restart policy, run with real agent processes and short durations: how
// many launches a crashing agent gets, when the count starts anew, when the
// supervisor gives up, and what agent_state reports along the way.

#include "agent/agent_supervisor.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "platform/clock.h"
#include "platform/os.h"
#include "platform/process.h"
#include "platform/testing/env_testing.h"
#include "platform/testing/process_testing.h"
#include "platform/thread.h"
#include "tests/support/sim_agent.h"
#include "tests/support/test_support.h"

namespace wv {
namespace {

namespace fs = std::filesystem;
using std::chrono::milliseconds;
using test::launch_count;
using test::ScratchDir;
using test::set_sim_mode;

class SupervisorTest : public ::testing::Test {
 protected:
  SupervisorTest() { set_env("WV_SIM_COUNT", count_file_.native()); }

  AgentSupervisor make(Duration backoff, Duration healthy_run, std::uint32_t max_restarts,
                       fs::path agent = test::agent_sim_exe()) {
    return AgentSupervisor(std::move(agent), scratch_ / "data", backoff, healthy_run, max_restarts);
  }

  std::size_t launches() const { return launch_count(count_file_); }

  bool wait_for_launches(std::size_t n) {
    return test::wait_until([&] { return launches() >= n; }, test::kAgentTimeout);
  }

  // Waits for the agent to end; the check reaps it, as the entry's loop would.
  static bool wait_until_ended(AgentSupervisor& sup) {
    return test::wait_until([&] { return !sup.is_running(); }, test::kAgentTimeout);
  }

  test::SimKnobs knobs_;
  ScratchDir scratch_;
  fs::path count_file_ = scratch_ / "launches";
};

// Any exit the supervisor notices is a crash, whatever its code.
class QuickExitTest : public SupervisorTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(QuickExitTest, AnAgentThatKeepsEndingQuicklyIsLaunchedFourTimesThenGivenUpOn) {
  set_sim_mode(GetParam());
  const Duration backoff = Duration::millis(400);
  AgentSupervisor sup = make(backoff, Duration::seconds(30), 3);
  ASSERT_TRUE(sup.start());

  for (std::uint32_t attempt = 1; attempt <= 3; ++attempt) {
    SCOPED_TRACE("relaunch " + std::to_string(attempt));
    ASSERT_TRUE(wait_until_ended(sup));
    auto t0 = monotonic_now();
    sup.tick();
    EXPECT_GE(elapsed_since(t0), backoff);
    EXPECT_EQ(sup.restart_attempts(), attempt);
    EXPECT_FALSE(sup.gave_up());
    EXPECT_TRUE(wait_for_launches(attempt + 1));
  }

  ASSERT_TRUE(wait_until_ended(sup));
  auto t0 = monotonic_now();
  sup.tick();
  // Giving up neither sleeps the back-off nor launches.
  EXPECT_LT(elapsed_since(t0), backoff);
  EXPECT_EQ(sup.restart_attempts(), 4u);
  EXPECT_TRUE(sup.gave_up());
  EXPECT_EQ(sup.agent_state(), AgentState::GaveUp);

  for (int i = 0; i < 3; ++i) sup.tick();
  EXPECT_FALSE(test::wait_until([&] { return launches() > 4; }, milliseconds(500)));
  EXPECT_EQ(launches(), 4u);
  EXPECT_EQ(sup.agent_state(), AgentState::GaveUp);
  EXPECT_EQ(sup.restart_attempts(), 4u);
}

INSTANTIATE_TEST_SUITE_P(ExitCodes, QuickExitTest, ::testing::Values("exit:0:0", "exit:0:3"));

TEST_F(SupervisorTest, ARunLongerThanTheHealthyWindowStartsTheCountAnew) {
  set_sim_mode("exit:0:0");
  AgentSupervisor sup = make(Duration{}, Duration::millis(1500), 3);
  ASSERT_TRUE(sup.start());
  ASSERT_TRUE(wait_until_ended(sup));
  sup.tick();
  ASSERT_EQ(sup.restart_attempts(), 1u);

  // The next agent outlives the healthy window.
  set_sim_mode("exit:3000:0");
  ASSERT_TRUE(wait_until_ended(sup));
  sup.tick();
  ASSERT_EQ(sup.restart_attempts(), 2u);
  set_sim_mode("exit:0:0");
  ASSERT_TRUE(wait_until_ended(sup));
  sup.tick();
  EXPECT_EQ(sup.restart_attempts(), 1u);
  EXPECT_TRUE(wait_for_launches(4));

  // Three relaunches again before giving up.
  for (std::uint32_t attempt = 2; attempt <= 4; ++attempt) {
    ASSERT_TRUE(wait_until_ended(sup));
    sup.tick();
    EXPECT_EQ(sup.restart_attempts(), attempt);
  }
  EXPECT_TRUE(sup.gave_up());
  EXPECT_EQ(launches(), 6u);
}

// The run counts up to the tick that notices the exit, not to the exit itself.
TEST_F(SupervisorTest, RunTimeIsMeasuredUpToTheNoticingTick) {
  set_sim_mode("exit:0:0");
  const Duration healthy = Duration::millis(1500);
  AgentSupervisor sup = make(Duration{}, healthy, 3);
  ASSERT_TRUE(sup.start());
  ASSERT_TRUE(wait_until_ended(sup));
  sup.tick();
  ASSERT_TRUE(wait_until_ended(sup));
  sup.tick();
  ASSERT_EQ(sup.restart_attempts(), 2u);

  // This agent is long gone when the tick comes, but the tick is late enough.
  ASSERT_TRUE(wait_until_ended(sup));
  sleep_for(Duration::millis(2000));
  sup.tick();
  EXPECT_EQ(sup.restart_attempts(), 1u);
}

TEST_F(SupervisorTest, AFailedRelaunchGivesUpAtOnce) {
  set_sim_mode("exit:0:0");
  fs::path agent = scratch_ / ("agent-copy" + std::string(kExeSuffix));
  fs::copy_file(test::agent_sim_exe(), agent);
  AgentSupervisor sup = make(Duration::millis(50), Duration::seconds(30), 3, agent);
  ASSERT_TRUE(sup.start());
  ASSERT_TRUE(wait_for_launches(1));
  ASSERT_TRUE(wait_until_ended(sup));
  // On Windows the file of a process that is still going away cannot be removed yet.
  ASSERT_TRUE(test::wait_until(
      [&] {
        std::error_code ec;
        return fs::remove(agent, ec) && !ec;
      },
      test::kAgentTimeout));

  sup.tick();
  EXPECT_EQ(sup.restart_attempts(), 1u);
  EXPECT_TRUE(sup.gave_up());
  EXPECT_EQ(sup.agent_state(), AgentState::GaveUp);
  sup.tick();
  EXPECT_EQ(sup.restart_attempts(), 1u);
  EXPECT_EQ(launches(), 1u);

  // Only start leaves GaveUp, and it begins the count again.
  fs::copy_file(test::agent_sim_exe(), agent);
  set_sim_mode("wait-stdin");
  ASSERT_TRUE(sup.start());
  EXPECT_EQ(sup.restart_attempts(), 0u);
  EXPECT_FALSE(sup.gave_up());
  EXPECT_EQ(sup.agent_state(), AgentState::Running);
  EXPECT_EQ(sup.stop(Duration::seconds(5)), StopOutcome::Exited);
}

TEST_F(SupervisorTest, AFailedStartReturnsTheErrorAndGivesUp) {
  AgentSupervisor sup = make(Duration{}, Duration::seconds(30), 3, scratch_ / "missing");
  auto started = sup.start();
  ASSERT_FALSE(started);
  EXPECT_EQ(started.error().code, 2);
  EXPECT_TRUE(sup.gave_up());
  EXPECT_EQ(sup.agent_state(), AgentState::GaveUp);
  sup.tick();
  EXPECT_EQ(sup.restart_attempts(), 0u);
  EXPECT_FALSE(sup.has_child());
}

TEST_F(SupervisorTest, AgentStateReapsAnEndedAgentAndClosesItsStdin) {
  set_sim_mode("exit:0:0");
  AgentSupervisor sup = make(Duration{}, Duration::seconds(30), 3);
  ASSERT_TRUE(sup.start());
  EXPECT_TRUE(sup.has_agent_stdin());
  ASSERT_TRUE(test::wait_until([&] { return sup.agent_state() != AgentState::Running; }, test::kAgentTimeout));
  EXPECT_EQ(sup.agent_state(), AgentState::Restarting);
  EXPECT_FALSE(sup.has_child());
  EXPECT_FALSE(sup.has_agent_stdin());
  // Reaping is not a policy step.
  EXPECT_EQ(sup.restart_attempts(), 0u);
  EXPECT_EQ(launches(), 1u);
}

TEST_F(SupervisorTest, AnAgentEndingBetweenTickAndAgentStateShowsRestartingUntilTheNextTick) {
  set_sim_mode("exit:500:0");
  AgentSupervisor sup = make(Duration{}, Duration::seconds(30), 3);
  ASSERT_TRUE(sup.start());
  sup.tick();
  ASSERT_EQ(sup.restart_attempts(), 0u) << "the agent ended before the first tick";
  // Long enough for the agent to have ended, even under Wine; nothing asks
  // the supervisor in between, as in the entry's loop.
  sleep_for(Duration::seconds(3));
  EXPECT_EQ(sup.agent_state(), AgentState::Restarting);
  EXPECT_FALSE(sup.has_agent_stdin());

  set_sim_mode("wait-stdin");
  sup.tick();
  EXPECT_EQ(sup.restart_attempts(), 1u);
  EXPECT_EQ(sup.agent_state(), AgentState::Running);
  EXPECT_TRUE(wait_for_launches(2));
  EXPECT_EQ(sup.stop(Duration::seconds(5)), StopOutcome::Exited);
}

TEST_F(SupervisorTest, SpawnWhileAnAgentLivesLaunchesNothing) {
  AgentSupervisor sup = make(Duration{}, Duration::seconds(30), 3);
  ASSERT_TRUE(sup.start());
  ASSERT_TRUE(wait_for_launches(1));
  EXPECT_TRUE(sup.spawn());
  sup.tick();
  EXPECT_FALSE(test::wait_until([&] { return launches() > 1; }, milliseconds(500)));
  EXPECT_EQ(sup.agent_state(), AgentState::Running);
  EXPECT_EQ(sup.restart_attempts(), 0u);
  EXPECT_EQ(sup.stop(Duration::seconds(5)), StopOutcome::Exited);
}

// Every launch, reap, stop and termination must give back what it opened.
TEST_F(SupervisorTest, ManyLaunchAndExitCyclesLeaveNoHandleOrDescriptorBehind) {
  // Wine creates processes slowly; fewer cycles there still show a per-cycle leak.
  const int cycles = kIsWindows ? 50 : 200;
  set_sim_mode("exit:0:0");
  // No back-off, and every run counts as healthy, so it never gives up.
  AgentSupervisor sup = make(Duration{}, Duration{}, 3);

  // One cycle first: the platform may set things up on the first launch.
  ASSERT_TRUE(sup.start());
  ASSERT_TRUE(wait_until_ended(sup));
  auto before = open_handle_count();
  ASSERT_TRUE(before);

  for (int i = 0; i < cycles; ++i) {
    sup.tick();
    ASSERT_FALSE(sup.gave_up()) << "cycle " << i;
    ASSERT_TRUE(wait_until_ended(sup)) << "cycle " << i;
  }
  // The stop paths too: an agent that leaves, and one that has to be ended.
  set_sim_mode("wait-stdin");
  sup.tick();
  ASSERT_TRUE(wait_for_launches(static_cast<std::size_t>(cycles) + 2));
  EXPECT_EQ(sup.stop(Duration::seconds(5)), StopOutcome::Exited);
  set_sim_mode("ignore-stdin");
  sup.tick();
  ASSERT_TRUE(wait_for_launches(static_cast<std::size_t>(cycles) + 3));
  EXPECT_EQ(sup.stop(Duration{}), StopOutcome::Terminated);

  EXPECT_EQ(launches(), static_cast<std::size_t>(cycles) + 3);
  EXPECT_EQ(open_handle_count(), before);
}

}  // namespace
}  // namespace wv
