#include "agent/agent_supervisor.h"

#include <limits>

#include "platform/thread.h"

namespace wv {

AgentSupervisor::AgentSupervisor(std::filesystem::path agent_path, std::filesystem::path data_dir,
                                 Duration restart_backoff, Duration healthy_run, std::uint32_t max_restarts)
    : agent_path_(std::move(agent_path)),
      data_dir_(std::move(data_dir)),
      restart_backoff_(restart_backoff),
      healthy_run_(healthy_run),
      max_restarts_(max_restarts) {}

std::expected<void, OsError> AgentSupervisor::start() {
  gave_up_ = false;
  restart_attempts_ = 0;
  return spawn();
}

std::expected<void, OsError> AgentSupervisor::spawn() {
  if (is_running()) return {};
  auto launched = launch_agent(agent_path_, data_dir_);
  if (!launched) {
    gave_up_ = true;
    return std::unexpected(launched.error());
  }
  // Assigning releases whatever was held before, closing its handles.
  agent_stdin_ = std::move(launched->stdin_writer);
  child_ = std::move(launched->process);
  launched_at_ = monotonic_now();
  gave_up_ = false;
  return {};
}

bool AgentSupervisor::is_running() {
  if (!child_) return false;
  if (!child_->has_ended()) return true;
  // Ended, or the check failed: either way the agent is gone for us. Closing
  // its stdin tells a still-living agent to clear the spoof and exit.
  child_.reset();
  agent_stdin_.reset();
  return false;
}

void AgentSupervisor::tick() {
  if (gave_up_ || is_running()) return;
  // The run is measured up to this tick, not to the moment the agent ended.
  Duration run_time = launched_at_ ? elapsed_since(*launched_at_) : Duration{};
  if (run_time > healthy_run_) {
    restart_attempts_ = 1;
  } else if (restart_attempts_ < std::numeric_limits<std::uint32_t>::max()) {
    ++restart_attempts_;
  }
  if (restart_attempts_ > max_restarts_) {
    gave_up_ = true;
    return;
  }
  sleep_for(restart_backoff_);
  // A failed relaunch has set gave_up_; nothing more is tried or reported.
  (void)spawn();
}

AgentState AgentSupervisor::agent_state() {
  if (is_running()) return AgentState::Running;
  return gave_up_ ? AgentState::GaveUp : AgentState::Restarting;
}

// The clean stop: the agent clears the spoofed location itself when its
// standard input ends, so closing our end of the pipe is the request to stop.
// Only an agent that overstays the grace period is ended by force, and then
// the spoof stays until the phone's own time-out.
StopOutcome AgentSupervisor::stop(Duration grace) {
  const MonotonicInstant t0 = monotonic_now();
  if (!is_running()) return StopOutcome::NotRunning;

  agent_stdin_.reset();
  for (;;) {
    bool running = is_running();
    Duration elapsed = elapsed_since(t0);
    // An agent seen ended at the deadline still counts as having exited.
    if (!running) return StopOutcome::Exited;
    if (elapsed >= grace) break;
    sleep_for(kStopPollInterval);
  }

  if (child_) {
    child_->terminate_and_wait();
    child_.reset();
  }
  return StopOutcome::Terminated;
}

AgentSupervisor::~AgentSupervisor() {
  if (child_) (void)stop(kStopGrace);
}

}  // namespace wv
