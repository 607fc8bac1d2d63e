#pragma once
// The display step of each poll: read the published files and print the
// status screen when its text has changed.

#include <filesystem>

#include "agent/agent_supervisor.h"
#include "host/status_screen.h"
#include "platform/clock.h"

namespace wv {

inline constexpr Duration kStaleAfter = Duration::seconds(20);

class DisplayStep {
 public:
  // Screens go to standard output, or to `writer` where one is given.
  explicit DisplayStep(std::filesystem::path data_dir);
  DisplayStep(std::filesystem::path data_dir, StatusScreen::Writer writer);
  // False when writing the screen to standard output failed.
  bool run(AgentState state);

 private:
  std::filesystem::path data_dir_;
  StatusScreen screen_;
};

}  // namespace wv
