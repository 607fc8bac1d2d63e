// The clean stop: the agent clears the spoofed location itself when its
// standard input ends, so closing our end of the pipe is the request to stop.
// Only an agent that overstays the grace period is ended by force, and then
// the spoof stays until the phone's own time-out.

#include "agent/agent_supervisor.h"

namespace wv {

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
