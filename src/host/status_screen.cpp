#include "host/status_screen.h"

#include "platform/text.h"

namespace wv {

namespace {

constexpr std::size_t kLabelWidth = 24;
constexpr std::size_t kShortUdidBytes = 8;
constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD
constexpr std::string_view kUnnamedPrefix = "Device ";

bool is_white_space(char32_t c) {
  // Unicode's White_Space property.
  return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x85 || c == 0xA0 || c == 0x1680 ||
         (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F || c == 0x3000;
}

bool is_control(char32_t c) { return c <= 0x1F || (c >= 0x7F && c <= 0x9F); }

// Printable ASCII, which goes onto the screen as it is.
bool is_plain(char byte) { return byte >= 0x20 && byte < 0x7F; }

bool is_continuation_byte(char byte) { return (static_cast<unsigned char>(byte) & 0xC0) == 0x80; }

// Appends text from a file, for the terminal: each control character, and
// each byte that begins no well-formed sequence, becomes U+FFFD. Returns the
// number of characters (scalar values) appended.
std::size_t append_shown(std::string& out, std::string_view text) {
  std::size_t count = 0;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t run = pos;
    while (run < text.size() && is_plain(text[run])) ++run;
    out.append(text, pos, run - pos);
    count += run - pos;
    pos = run;
    if (pos == text.size()) break;
    char32_t c = 0;
    const std::size_t n = utf8_sequence_length(text, pos, &c);
    if (n == 0 || is_control(c)) {
      out += kReplacement;
    } else {
      out.append(text, pos, n);
    }
    pos += n == 0 ? 1 : n;
    ++count;
  }
  return count;
}

// Trimmed from each end only as far as the white space goes. The last
// character starts at the nearest byte before the end that is not a
// continuation byte; if the bytes from there do not make exactly one
// well-formed character, the last byte stands alone (shown as U+FFFD).
std::string_view trim_white_space(std::string_view text) {
  std::size_t begin = 0;
  while (begin < text.size()) {
    char32_t c = 0;
    std::size_t n = utf8_sequence_length(text, begin, &c);
    if (n == 0 || !is_white_space(c)) break;
    begin += n;
  }
  std::size_t end = text.size();
  while (end > begin) {
    std::size_t start = end - 1;
    while (start > begin && end - start < 4 && is_continuation_byte(text[start])) --start;
    char32_t c = 0;
    if (utf8_sequence_length(text, start, &c) != end - start || !is_white_space(c)) break;
    end = start;
  }
  return text.substr(begin, end - begin);
}

// Appends the device's label; returns its length in characters.
std::size_t append_label(std::string& out, const DeviceStatusFile& status) {
  if (status.device) {
    std::string_view name = trim_white_space(status.device->name);
    if (!name.empty()) return append_shown(out, name);
  }
  std::string_view udid = status.udid;
  // Cut by bytes, but never inside a character.
  if (udid.size() > kShortUdidBytes && !is_continuation_byte(udid[kShortUdidBytes])) {
    udid = udid.substr(0, kShortUdidBytes);
  }
  out += kUnnamedPrefix;
  const std::size_t count = append_shown(out, udid);
  out += "…";  // one character
  return kUnnamedPrefix.size() + count + 1;
}

// "  <label, padded to 24> <session> / <transport>[  [stale — …]]", then the
// remediation's "->" line and the error's "!" line where there are any.
void append_device(std::string& out, const DeviceView& view) {
  const DeviceStatusFile& status = view.status;
  out += "\n  ";
  const std::size_t width = append_label(out, status);
  if (width < kLabelWidth) out.append(kLabelWidth - width, ' ');
  out += ' ';
  out += session_label(view.stale ? SessionReport::Idle : status.session);
  out += " / ";
  out += transport_label(status.transport);
  if (view.stale) out += "  [stale — agent not publishing]";
  if (!status.remediation.empty()) {
    out += "\n      -> ";
    append_shown(out, status.remediation);
  }
  if (status.error) {
    out += "\n      !  ";
    append_shown(out, *status.error);
  }
}

}  // namespace

std::string_view agent_state_label(AgentState state) {
  switch (state) {
    case AgentState::Running: return "running";
    case AgentState::Restarting: return "restarting after an unexpected exit";
    case AgentState::GaveUp: break;
  }
  return "stopped (auto-restart gave up — needs a manual restart)";
}

// Like the words, each value's label is its case here, and the build refuses
// a value without one.
std::string_view session_label(SessionReport session) {
  switch (session) {
    case SessionReport::Idle: return "Idle";
    case SessionReport::Spoofing: return "Spoofing";
    case SessionReport::Lost: break;
  }
  return "Lost";
}

std::string_view transport_label(Transport transport) {
  switch (transport) {
    case Transport::Usb: return "Usb";
    case Transport::Wireless: return "Wireless";
    case Transport::Unknown: break;
  }
  return "Unknown";
}

std::string device_display_name(const DeviceStatusFile& status) {
  std::string label;
  append_label(label, status);
  return label;
}

std::string render_screen(AgentState state, const Snapshot& snapshot) {
  std::string text = "agent: ";
  text += agent_state_label(state);
  if (snapshot.empty()) {
    text += "   (no devices yet — connect, unlock, and trust an iPhone over USB)";
    return text;
  }
  for (const DeviceView& view : snapshot) append_device(text, view);
  return text;
}

StatusScreen::StatusScreen(Writer writer) : writer_(std::move(writer)) {}

bool StatusScreen::refresh(AgentState state, const Snapshot& snapshot) {
  std::string text = render_screen(state, snapshot);
  if (last_printed_ && *last_printed_ == text) return true;
  // The line feed goes on for the write only, so that the screen kept is the
  // text without it.
  text.push_back('\n');
  const bool written = writer_(text);
  text.pop_back();
  if (!written) return false;
  last_printed_ = std::move(text);
  return true;
}

}  // namespace wv
