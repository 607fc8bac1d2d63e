#pragma once
// The status screen: the agent's state, then one block per device. It is
// written below the previous one, never redrawn, and only when its text
// changes, so the console's scrollback holds the history of changes.

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "agent/agent_supervisor.h"
#include "datadir/snapshot.h"

namespace wv {

std::string_view agent_state_label(AgentState state);
std::string_view session_label(SessionReport session);
std::string_view transport_label(Transport transport);

// The device's trimmed name, else "Device " with the start of its udid and
// "…"; control characters shown as U+FFFD.
std::string device_display_name(const DeviceStatusFile& status);

// The whole screen, without a trailing line feed. Texts taken from the files
// never carry control characters onto the terminal: each is shown as U+FFFD.
std::string render_screen(AgentState state, const Snapshot& snapshot);

class StatusScreen {
 public:
  using Writer = std::function<bool(std::string_view)>;
  explicit StatusScreen(Writer writer);

  // Writes the screen followed by a line feed when its text differs from the
  // last one written. False when the write failed.
  bool refresh(AgentState state, const Snapshot& snapshot);

  const std::optional<std::string>& last_printed() const { return last_printed_; }

 private:
  Writer writer_;
  std::optional<std::string> last_printed_;
};

}  // namespace wv
