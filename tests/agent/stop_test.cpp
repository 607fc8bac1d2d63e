// The clean stop: closing the agent's stdin, the grace period, the forced
// termination, and the stop that destroying a supervisor runs.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>

#include "agent/agent_supervisor.h"
#include "platform/clock.h"
#include "platform/testing/env_testing.h"
#include "platform/testing/process_testing.h"
#include "platform/thread.h"
#include "tests/support/sim_agent.h"
#include "tests/support/test_support.h"

namespace wv {
namespace {

namespace fs = std::filesystem;
using test::parse_record;
using test::ScratchDir;
using test::set_sim_mode;

// Well beyond any process start or end under Wine, far below a grace period
// being waited out by mistake.
constexpr Duration kQuick = Duration::seconds(2);

constexpr Duration plus(Duration a, Duration b) {
  std::uint64_t nanos = std::uint64_t{a.nanos} + b.nanos;
  return {a.secs + b.secs + nanos / 1'000'000'000, static_cast<std::uint32_t>(nanos % 1'000'000'000)};
}

class StopTest : public ::testing::Test {
 protected:
  StopTest() {
    set_env("WV_SIM_RECORD", record_.native());
    set_env("WV_SIM_COUNT", count_.native());
  }

  // A supervisor whose agent is up and has written its record.
  std::unique_ptr<AgentSupervisor> started(std::uint32_t max_restarts = 3) {
    auto sup = std::make_unique<AgentSupervisor>(test::agent_sim_exe(), scratch_ / "data", Duration{},
                                                 Duration::seconds(30), max_restarts);
    auto r = sup->start();
    EXPECT_TRUE(r) << r.error().text();
    EXPECT_TRUE(test::wait_for_ready(record_));
    return sup;
  }

  test::SimKnobs knobs_;
  ScratchDir scratch_;
  fs::path record_ = scratch_ / "record";
  fs::path count_ = scratch_ / "launches";
};

TEST_F(StopTest, ACooperativeAgentExitsPromptly) {
  auto sup = started();
  auto t0 = monotonic_now();
  EXPECT_EQ(sup->stop(Duration::seconds(6)), StopOutcome::Exited);
  EXPECT_LT(elapsed_since(t0), kQuick);
  EXPECT_TRUE(parse_record(record_).stdin_end);
  EXPECT_FALSE(sup->has_child());
  EXPECT_FALSE(sup->has_agent_stdin());
  EXPECT_FALSE(sup->gave_up());
  EXPECT_EQ(sup->restart_attempts(), 0u);

  // Nothing left for destruction to stop.
  t0 = monotonic_now();
  sup.reset();
  EXPECT_LT(elapsed_since(t0), kQuick);
}

TEST_F(StopTest, AnAgentThatTakesAWhileStillCountsAsExitedWithinTheGrace) {
  set_sim_mode("exit-after-eof:800");
  auto sup = started();
  auto t0 = monotonic_now();
  EXPECT_EQ(sup->stop(Duration::seconds(6)), StopOutcome::Exited);
  EXPECT_GE(elapsed_since(t0), Duration::millis(800));
}

TEST_F(StopTest, AnAgentIgnoringTheEndOfItsInputIsTerminatedOnceTheGraceRunsOut) {
  set_sim_mode("ignore-stdin");
  auto sup = started();
  const Duration grace = Duration::millis(1500);
  auto t0 = monotonic_now();
  EXPECT_EQ(sup->stop(grace), StopOutcome::Terminated);
  Duration took = elapsed_since(t0);
  EXPECT_GE(took, grace);
  EXPECT_LT(took, plus(grace, kQuick));
  // It was asked first: its input had ended before it was ended.
  EXPECT_TRUE(parse_record(record_).stdin_end);
  EXPECT_FALSE(sup->has_child());
  EXPECT_FALSE(sup->has_agent_stdin());
}

TEST_F(StopTest, AZeroGraceTerminatesAtOnce) {
  set_sim_mode("ignore-stdin");
  auto sup = started();
  auto t0 = monotonic_now();
  EXPECT_EQ(sup->stop(Duration{}), StopOutcome::Terminated);
  EXPECT_LT(elapsed_since(t0), kQuick);
  EXPECT_FALSE(sup->has_child());
}

TEST_F(StopTest, StopAfterGivingUpFindsNothingToStop) {
  set_sim_mode("exit:0:0");
  auto sup = started(0);
  ASSERT_TRUE(test::wait_until([&] { return !sup->is_running(); }, test::kAgentTimeout));
  sup->tick();
  ASSERT_TRUE(sup->gave_up());
  EXPECT_EQ(sup->stop(Duration::seconds(6)), StopOutcome::NotRunning);
  EXPECT_TRUE(sup->gave_up());
  EXPECT_EQ(sup->restart_attempts(), 1u);
}

// An agent that ended on its own before the stop is not one the stop ended.
TEST_F(StopTest, AnAgentThatEndedUnnoticedBeforeTheStopIsNotRunning) {
  set_sim_mode("exit:0:0");
  auto sup = started();
  // Long enough for it to be gone, even under Wine; nothing reaps it meanwhile.
  sleep_for(Duration::seconds(2));
  auto t0 = monotonic_now();
  EXPECT_EQ(sup->stop(Duration::seconds(6)), StopOutcome::NotRunning);
  EXPECT_LT(elapsed_since(t0), kQuick);
  EXPECT_FALSE(sup->has_child());
  EXPECT_FALSE(sup->has_agent_stdin());
}

TEST_F(StopTest, DestroyingASupervisorWithALiveAgentAsksItToStopAndWaits) {
  set_sim_mode("exit-after-eof:1500");
  auto sup = started();
  auto t0 = monotonic_now();
  sup.reset();
  EXPECT_GE(elapsed_since(t0), Duration::millis(1500));
  EXPECT_TRUE(parse_record(record_).stdin_end);
}

TEST_F(StopTest, DestroyingASupervisorWhoseAgentOverstaysTerminatesItAfterTheFullGrace) {
  set_sim_mode("ignore-stdin");
  auto sup = started();
  auto t0 = monotonic_now();
  sup.reset();
  Duration took = elapsed_since(t0);
  EXPECT_GE(took, kStopGrace);
  EXPECT_LT(took, plus(kStopGrace, kQuick));
  EXPECT_TRUE(parse_record(record_).stdin_end);
}

// A helper the agent started would otherwise run on with nothing left to end it.
TEST_F(StopTest, AForcedTerminationEndsWhatTheAgentStartedToo) {
  set_sim_mode("spawn-child-ignore-stdin");
  auto sup = started();
  ASSERT_TRUE(test::wait_until([&] { return parse_record(record_).child > 0; }, test::kAgentTimeout));
  const auto record = parse_record(record_);
  struct KillLeftover {
    long id;
    ~KillLeftover() {
      if (process_is_running(id)) kill_process(id);
    }
  } leftover{record.child};
  ASSERT_TRUE(process_is_running(record.child));

  EXPECT_EQ(sup->stop(Duration{}), StopOutcome::Terminated);
  EXPECT_FALSE(process_is_running(record.pid));
  EXPECT_TRUE(test::wait_until([&] { return !process_is_running(record.child); }, test::kAgentTimeout))
      << "the agent's helper outlived it";
}

}  // namespace
}  // namespace wv
