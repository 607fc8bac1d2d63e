#include "host/host_main.h"

#include <memory>
#include <optional>
#include <string>

#include "agent/agent_launch.h"
#include "agent/agent_supervisor.h"
#include "datadir/data_dir.h"
#include "host/display_step.h"
#include "host/messages.h"
#include "host/stop_watcher.h"
#include "platform/clock.h"
#include "platform/console.h"
#include "platform/env.h"
#include "platform/fs.h"
#include "platform/process.h"
#include "platform/text.h"
#include "platform/thread.h"

namespace wv {

namespace {

constexpr Duration kRestartBackoff = Duration::seconds(2);
constexpr Duration kHealthyRun = Duration::seconds(30);
constexpr std::uint32_t kMaxRestarts = 3;
constexpr Duration kPollInterval = Duration::seconds(1);

constexpr int kExitStopped = 0;
constexpr int kExitStartFailed = 1;
constexpr int kExitFatal = 101;

// A console window of its own would close on the last message unread, so it
// first waits for Enter, whatever standard output was redirected to. An
// Enter pressed while the agent was stopping does not count. The watcher has
// ended by then: this read is the only one.
void hold_window_open() { hold_own_window_open(kPressEnterToClose); }

// A start-up failure: the message on standard error and status 1.
int start_failure(std::string_view message) {
  (void)write_stderr(message);
  hold_window_open();
  return kExitStartFailed;
}

// A host launched as an agent would launch another in turn, without end.
bool launched_as_agent() {
  std::optional<NativeString> supervised = get_env(kSupervisedVar);
  return supervised && *supervised == native_from_utf8("1");
}

// A failed write to standard output ends the host. The caller returns at once,
// which destroys the supervisor and so still stops the agent.
int fatal_output_failure() {
  (void)write_stderr(kStdoutFailedMessage);
  return kExitFatal;
}

}  // namespace

int host_main() {
  // Before anything opens a file or starts a process: what a launcher left
  // closed or ignored must not decide where our files land or how our
  // children are reaped.
  prepare_process_at_start();
  // A closed pipe on standard output must be a failed write, not a silent death.
  ignore_broken_pipe_signal();

  if (launched_as_agent()) return start_failure(kLaunchedAsAgentMessage);

  std::optional<std::filesystem::path> agent_path = locate_agent();
  if (!agent_path) return start_failure(agent_not_found_message());
  if (auto self = current_exe_path(); self && is_same_file(*agent_path, *self)) {
    return start_failure(agent_is_host_message(path_to_utf8_lossy(*agent_path)));
  }

  std::optional<std::filesystem::path> data_dir = resolve_data_dir();
  if (!data_dir) return start_failure(kNoDataDirMessage);

  // Its destructor stops an agent still held on an early return.
  AgentSupervisor supervisor(*agent_path, *data_dir, kRestartBackoff, kHealthyRun, kMaxRestarts);

  if (!write_stdout(banner(path_to_utf8_lossy(*agent_path), path_to_utf8_lossy(*data_dir)))) {
    return fatal_output_failure();
  }

  if (auto started = supervisor.start(); !started) {
    return start_failure(std::string(kStartFailurePrefix) + started.error().text() + "\n");
  }

  auto stop_flag = std::make_shared<StopFlag>();
  if (!start_stdin_watcher(stop_flag)) {
    // Nothing can end the loop now but an interrupt.
    (void)write_stderr(kNoWatcherMessage);
  }

  DisplayStep screen(supervisor.data_dir());
  for (;;) {
    if (stop_flag->requested.load(std::memory_order_relaxed)) break;
    supervisor.tick();
    if (!screen.run(supervisor.agent_state())) return fatal_output_failure();
    sleep_for(kPollInterval);
  }

  // No tick from here on: it would relaunch the agent that is being stopped.
  if (!write_stdout(std::string("\n") + std::string(kStoppingLine))) return fatal_output_failure();
  StopOutcome outcome = supervisor.stop(kStopGrace);
  if (!write_stdout(std::string(stop_outcome_message(outcome)) + "\n")) return fatal_output_failure();
  hold_window_open();
  return kExitStopped;
}

}  // namespace wv
