#pragma once
// Keeps one agent process running: launches it, notices when it has ended,
// relaunches it after a back-off, and gives up after too many quick exits.

#include <cstdint>
#include <expected>
#include <filesystem>
#include <optional>

#include "agent/agent_launch.h"
#include "platform/clock.h"
#include "platform/os_error.h"
#include "platform/process.h"

namespace wv {

enum class AgentState { Running, Restarting, GaveUp };

enum class StopOutcome {
  Exited,      // ended on its own after its stdin was closed, within the grace period
  NotRunning,  // there was no live agent when the stop began
  Terminated,  // overstayed the grace period and was forcibly ended
};

inline constexpr Duration kStopGrace = Duration::seconds(6);
inline constexpr Duration kStopPollInterval = Duration::millis(100);

class AgentSupervisor {
 public:
  AgentSupervisor(std::filesystem::path agent_path, std::filesystem::path data_dir, Duration restart_backoff,
                  Duration healthy_run, std::uint32_t max_restarts);
  // Runs the stop with the standard grace period if an agent is still held.
  ~AgentSupervisor();
  AgentSupervisor(const AgentSupervisor&) = delete;
  AgentSupervisor& operator=(const AgentSupervisor&) = delete;

  // The first launch: clears the give-up state and the restart count.
  std::expected<void, OsError> start();
  // Launches an agent unless one is already running.
  std::expected<void, OsError> spawn();
  // Non-blocking exit check; reaps an ended agent and closes its stdin pipe.
  bool is_running();
  // One step of the restart policy; may sleep `restart_backoff` and relaunch.
  void tick();
  AgentState agent_state();
  // Closes the agent's stdin, waits up to `grace` for it to exit, then
  // terminates it. Leaves the supervisor without an agent.
  StopOutcome stop(Duration grace);

  const std::filesystem::path& agent_path() const { return agent_path_; }
  const std::filesystem::path& data_dir() const { return data_dir_; }
  std::uint32_t restart_attempts() const { return restart_attempts_; }
  bool gave_up() const { return gave_up_; }
  bool has_child() const { return child_.has_value(); }
  bool has_agent_stdin() const { return agent_stdin_.has_value(); }

 private:
  std::filesystem::path agent_path_;
  std::filesystem::path data_dir_;
  Duration restart_backoff_;
  Duration healthy_run_;
  std::uint32_t max_restarts_;
  std::optional<ChildProcess> child_;
  std::optional<PipeEnd> agent_stdin_;
  std::optional<MonotonicInstant> launched_at_;
  std::uint32_t restart_attempts_ = 0;
  bool gave_up_ = false;
};

}  // namespace wv
