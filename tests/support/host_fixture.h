#pragma once
// The fixture of the end-to-end suites that run the built host: a scratch
// folder holding the data directory and what the simulated agent records
// about itself, and the host started on them with the agent in a given mode.

#include <gtest/gtest.h>

#include <cstddef>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "tests/support/host_run.h"
#include "tests/support/test_support.h"

namespace wv::test {

class HostWithSimAgentTest : public ::testing::Test {
 protected:
  HostWithSimAgentTest();

  // The host's environment: the simulated agent in `mode` at `agent`
  // (nothing leaves WAYVANE_AGENT_PATH unset), this fixture's data directory,
  // record and launch count, and the knobs of the caller's shell cleared, so
  // that nothing leaks into the run.
  HostRunOptions options(std::string_view mode, std::optional<std::filesystem::path> agent = agent_sim_exe()) const;

  // The host started with those options, standard error going to the scratch
  // folder.
  std::unique_ptr<HostRun> start(std::string_view mode, std::optional<std::filesystem::path> agent = agent_sim_exe(),
                                 std::optional<std::string> hang_up_after = std::nullopt, EnvOverrides more_env = {});
  std::unique_ptr<HostRun> start(HostRunOptions options);

  // How many times an agent was launched.
  std::size_t launches() const;
  // Lines the simulated agent recorded about itself ("ready", "stdin-end", ...).
  bool agent_recorded(std::string_view line) const;
  bool wait_agent_recorded(std::string_view line) const;
  // The id of the agent running now, once it has said it is ready.
  std::optional<long> agent_pid() const;

  ScratchDir scratch_;
  std::filesystem::path data_dir_ = scratch_ / "data";
  std::filesystem::path record_ = scratch_ / "agent-record";
  std::filesystem::path count_ = scratch_ / "agent-launches";
};

}  // namespace wv::test
