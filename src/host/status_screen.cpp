#include "host/status_screen.h"

#include "platform/utf8.h"

namespace wv {

namespace {

constexpr std::size_t kLabelWidth = 24;
constexpr std::size_t kShortUdidBytes = 8;

bool is_white_space(char32_t c) {
  // Unicode's White_Space property.
  return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x85 || c == 0xA0 || c == 0x1680 ||
         (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F ||
         c == 0x3000;
}

bool is_control(char32_t c) { return c <= 0x1F || (c >= 0x7F && c <= 0x9F); }

// Appends text from a file for the terminal, each control character replaced;
// returns the number of characters (scalar values) appended.
std::size_t append_shown(std::string& out, std::string_view text) {
  std::size_t count = 0;
  for_each_scalar(text, [&](char32_t c) {
    append_utf8(out, is_control(c) ? kReplacementChar : c);
    ++count;
  });
  return count;
}

std::string_view trim_white_space(std::string_view text) {
  std::size_t begin = 0;
  std::size_t end = 0;  // one past the last character that is not white space
  std::size_t pos = 0;
  bool seen_text = false;
  while (pos < text.size()) {
    char32_t c = 0;
    std::size_t n = utf8_sequence_length(text, pos, &c);
    if (n == 0) n = 1, c = kReplacementChar;
    if (!is_white_space(c)) {
      if (!seen_text) begin = pos, seen_text = true;
      end = pos + n;
    }
    pos += n;
  }
  return seen_text ? text.substr(begin, end - begin) : std::string_view();
}

bool is_continuation_byte(char byte) { return (static_cast<unsigned char>(byte) & 0xC0) == 0x80; }

}  // namespace

std::string_view agent_state_label(AgentState state) {
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

std::string_view session_label(SessionReport session) {
  switch (session) {
    case SessionReport::Idle:
      return "Idle";
    case SessionReport::Spoofing:
      return "Spoofing";
    case SessionReport::Lost:
      break;
  }
  return "Lost";
}

std::string_view transport_label(Transport transport) {
  switch (transport) {
    case Transport::Usb:
      return "Usb";
    case Transport::Wireless:
      return "Wireless";
    case Transport::Unknown:
      break;
  }
  return "Unknown";
}

std::string device_display_name(const DeviceStatusFile& status) {
  if (status.report.device) {
    std::string_view name = trim_white_space(status.report.device->name);
    if (!name.empty()) {
      std::string label;
      append_shown(label, name);
      return label;
    }
  }
  std::string_view udid = status.udid;
  // Cut by bytes, but never inside a character.
  if (udid.size() > kShortUdidBytes && !is_continuation_byte(udid[kShortUdidBytes])) {
    udid = udid.substr(0, kShortUdidBytes);
  }
  std::string label = "Device ";
  append_shown(label, udid);
  return label + "…";
}

std::string render_screen(AgentState state, const Snapshot& snapshot) {
  std::string text = "agent: ";
  text += agent_state_label(state);
  if (snapshot.empty()) {
    text += "   (no devices yet — connect, unlock, and trust an iPhone over USB)";
    return text;
  }
  for (const DeviceView& view : snapshot) {
    const StatusReport& report = view.status.report;
    text += "\n  ";
    std::size_t width = append_shown(text, device_display_name(view.status));
    if (width < kLabelWidth) text.append(kLabelWidth - width, ' ');
    text += ' ';
    text += view.stale ? session_label(SessionReport::Idle) : session_label(report.session);
    text += " / ";
    text += transport_label(report.transport);
    if (view.stale) text += "  [stale — agent not publishing]";
    if (!report.remediation.empty()) {
      text += "\n      -> ";
      append_shown(text, report.remediation);
    }
    if (report.error) {
      text += "\n      !  ";
      append_shown(text, *report.error);
    }
  }
  return text;
}

StatusScreen::StatusScreen(Writer writer) : writer_(std::move(writer)) {}

bool StatusScreen::refresh(AgentState state, const Snapshot& snapshot) {
  std::string text = render_screen(state, snapshot);
  if (last_printed_ && *last_printed_ == text) return true;
  if (!writer_(text + "\n")) return false;
  last_printed_ = std::move(text);
  return true;
}

}  // namespace wv
