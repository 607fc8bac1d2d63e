#include "tests/support/host_fixture.h"

#include <algorithm>
#include <utility>

#include "tests/support/sim_agent.h"

namespace wv::test {

namespace fs = std::filesystem;

HostWithSimAgentTest::HostWithSimAgentTest() { fs::create_directories(data_dir_); }

HostRunOptions HostWithSimAgentTest::options(std::string_view mode, std::optional<fs::path> agent) const {
  HostRunOptions options;
  options.env = {
      {"WAYVANE_AGENT_PATH", agent ? std::optional(agent->native()) : std::nullopt},
      {"WAYVANE_GPS_DIR", data_dir_.native()},
      {"WV_SIM_MODE", native(mode)},
      {"WV_SIM_RECORD", record_.native()},
      {"WV_SIM_COUNT", count_.native()},
  };
  return options;
}

std::unique_ptr<HostRun> HostWithSimAgentTest::start(std::string_view mode, std::optional<fs::path> agent,
                                                     std::optional<std::string> hang_up_after, EnvOverrides more_env) {
  HostRunOptions how = options(mode, std::move(agent));
  how.env.insert(how.env.end(), more_env.begin(), more_env.end());
  how.hang_up_after = std::move(hang_up_after);
  return start(std::move(how));
}

std::unique_ptr<HostRun> HostWithSimAgentTest::start(HostRunOptions options) {
  return std::make_unique<HostRun>(scratch_ / "stderr", std::move(options));
}

std::size_t HostWithSimAgentTest::launches() const { return launch_count(count_); }

bool HostWithSimAgentTest::agent_recorded(std::string_view line) const {
  auto lines = read_lines(record_);
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

bool HostWithSimAgentTest::wait_agent_recorded(std::string_view line) const {
  return wait_until([&] { return agent_recorded(line); }, kAgentTimeout);
}

std::optional<long> HostWithSimAgentTest::agent_pid() const {
  SimRecord record = parse_record(record_);
  if (!record.ready || record.pid < 0) return std::nullopt;
  return record.pid;
}

}  // namespace wv::test
