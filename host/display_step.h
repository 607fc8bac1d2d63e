#pragma once
// The display step of each poll: read the published files and print the
// status screen when its text has changed.

#include <filesystem>
#include <optional>
#include <string>

#include "agent/agent_supervisor.h"

namespace wv {

class DisplayStep {
 public:
  explicit DisplayStep(std::filesystem::path data_dir) : data_dir_(std::move(data_dir)) {}
  // False when writing the screen to standard output failed.
  bool run(AgentState state);

 private:
  std::filesystem::path data_dir_;
  std::optional<std::string> last_printed_;
};

}  // namespace wv
