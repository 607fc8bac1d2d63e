#include "host/display_step.h"

#include "platform/console.h"

namespace wv {

namespace {

std::string_view state_label(AgentState state) {
  switch (state) {
    case AgentState::Running:
      return "running";
    case AgentState::Restarting:
      return "restarting after an unexpected exit";
    case AgentState::GaveUp:
      break;
  }
  return "stopped (auto-restart gave up — needs a manual restart)";
}

}  // namespace

bool DisplayStep::run(AgentState state) {
  std::string text = "agent: " + std::string(state_label(state)) +
                     "   (no devices yet — connect, unlock, and trust an iPhone over USB)";
  if (last_printed_ == text) return true;
  if (!write_stdout(text + "\n")) return false;
  last_printed_ = std::move(text);
  return true;
}

}  // namespace wv
