#include "host/display_step.h"

#include "platform/console.h"

namespace wv {

DisplayStep::DisplayStep(std::filesystem::path data_dir)
    : DisplayStep(std::move(data_dir), [](std::string_view text) { return write_stdout(text); }) {}

DisplayStep::DisplayStep(std::filesystem::path data_dir, StatusScreen::Writer writer)
    : data_dir_(std::move(data_dir)), screen_(std::move(writer)) {}

bool DisplayStep::run(AgentState state) {
  // The snapshot lives for this poll only.
  Snapshot snapshot = load_snapshot(data_dir_, kStaleAfter);
  return screen_.refresh(state, snapshot);
}

}  // namespace wv
