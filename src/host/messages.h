#pragma once
// The host's own texts.

#include <string>
#include <string_view>

#include "agent/agent_launch.h"
#include "agent/agent_supervisor.h"

namespace wv {

inline std::string agent_not_found_message() {
  std::string text = "Could not find " + agent_file_name() + ".\n";
  text += "\n";
  text += "It should sit next to this binary. For a dev build, point at it explicitly:\n";
  text += agent_path_hint() + "\n";
  return text;
}

inline std::string agent_is_host_message(std::string_view agent_path) {
  return "Refusing to start: the agent path names this console host itself (" + std::string(agent_path) + "), not " +
         agent_file_name() + ".\n";
}
inline constexpr std::string_view kLaunchedAsAgentMessage =
    "Refusing to start: this console host was launched as an agent (WAYVANE_SUPERVISED=1).\n";
inline constexpr std::string_view kPressEnterToClose = "\nPress Enter to close this window.\n";

inline constexpr std::string_view kNoDataDirMessage =
    "Could not resolve the data directory: the system reports no temporary directory.\n";
inline constexpr std::string_view kStartFailurePrefix = "Could not start the agent: ";
inline constexpr std::string_view kNoWatcherMessage = "(couldn't watch stdin; use Ctrl+C to stop)\n";
inline constexpr std::string_view kStoppingLine =
    "Stopping — closing the agent's stdin so it clears the spoof before exiting…\n";
inline constexpr std::string_view kStdoutFailedMessage =
    "Fatal: writing to standard output failed; stopping the agent and exiting.\n";

inline std::string banner(std::string_view agent_path, std::string_view data_dir) {
  std::string text = "Wayvane GPS — console host\n";
  text += "  agent    : " + std::string(agent_path) + "\n";
  text += "  data dir : " + std::string(data_dir) + "\n";
  text += "\n";
  text += "Press Enter to stop cleanly, or Ctrl+C (also safe — see below).\n";
  text += "\n";
  return text;
}

inline std::string_view stop_outcome_message(StopOutcome outcome) {
  switch (outcome) {
    case StopOutcome::Exited: return "Agent cleared the spoof and exited. Phone is back on its real location.";
    case StopOutcome::NotRunning: return "Agent was not running.";
    case StopOutcome::Terminated: break;
  }
  return "Agent overstayed the grace period and was terminated. The spoof was NOT cleared — the device "
         "will revert on its own timeout (~1-2 min).";
}

}  // namespace wv
