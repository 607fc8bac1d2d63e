#include "host/display_step.h"

#include "platform/console.h"

namespace wv {

DisplayStep::DisplayStep(std::filesystem::path data_dir)
    : data_dir_(std::move(data_dir)), screen_([](std::string_view text) { return write_stdout(text); }) {}

bool DisplayStep::run(AgentState state) {
  // The snapshot lives for this poll only.
  Snapshot snapshot = load_snapshot(data_dir_, kStaleAfter);
  return screen_.refresh(state, snapshot);
}

}  // namespace wv
