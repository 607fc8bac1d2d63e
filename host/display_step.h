#pragma once
// The display step of each poll: read the published files and print the
// status screen when its text has changed.

#include <filesystem>

#include "agent/agent_supervisor.h"
#include "host/status_screen.h"
#include "platform/duration.h"

namespace wv {

inline constexpr Duration kStaleAfter = Duration::seconds(20);

class DisplayStep {
 public:
  explicit DisplayStep(std::filesystem::path data_dir);
  // False when writing the screen to standard output failed.
  bool run(AgentState state);

 private:
  std::filesystem::path data_dir_;
  StatusScreen screen_;
};

}  // namespace wv
