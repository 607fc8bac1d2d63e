#include "host/status_screen.h"

#include <cstring>

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

// Printable ASCII, which goes onto the screen as it is.
bool is_plain(char byte) { return byte >= 0x20 && byte < 0x7F; }

bool is_continuation_byte(char byte) { return (static_cast<unsigned char>(byte) & 0xC0) == 0x80; }

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

// Calls plain(run) for each run of printable ASCII and other(bytes, shown)
// for each character after it, where `shown` is false for a control
// character or a byte that begins no well-formed sequence: those are shown as
// U+FFFD.
template <class Plain, class Other>
void scan_shown(std::string_view text, Plain&& plain, Other&& other) {
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t run = pos;
    while (run < text.size() && is_plain(text[run])) ++run;
    if (run > pos) {
      plain(text.substr(pos, run - pos));
      pos = run;
      if (pos == text.size()) break;
    }
    char32_t c = 0;
    std::size_t n = utf8_sequence_length(text, pos, &c);
    if (n == 0) {
      other(text.substr(pos, 1), false);
      pos += 1;
    } else {
      other(text.substr(pos, n), !is_control(c));
      pos += n;
    }
  }
}

// Writes a screen into memory sized beforehand from an upper bound of its
// length, so that nothing is checked or moved as it grows.
class ScreenWriter {
 public:
  explicit ScreenWriter(char* out) : start_(out), out_(out) {}

  void put(std::string_view text) {
    std::memcpy(out_, text.data(), text.size());
    out_ += text.size();
  }
  void put(char c) { *out_++ = c; }
  void pad(std::size_t count) {
    std::memset(out_, ' ', count);
    out_ += count;
  }

  // Text from a file, for the terminal: each control character and each byte
  // that begins no well-formed sequence becomes U+FFFD. Returns the number of
  // characters (scalar values) written.
  std::size_t put_shown(std::string_view text) {
    std::size_t count = 0;
    scan_shown(
        text,
        [&](std::string_view run) {
          put(run);
          count += run.size();
        },
        [&](std::string_view character, bool shown) {
          put(shown ? character : kReplacement);
          ++count;
        });
    return count;
  }

  std::size_t written() const { return static_cast<std::size_t>(out_ - start_); }

 private:
  char* start_;
  char* out_;
};

// The bytes that put_shown writes for `text`.
[[gnu::noinline]] std::size_t shown_size(std::string_view text) {
  std::size_t size = 0;
  scan_shown(
      text, [&](std::string_view run) { size += run.size(); },
      [&](std::string_view character, bool shown) { size += shown ? character.size() : kReplacement.size(); });
  return size;
}

// No less than the bytes that put_shown writes for `text`: three for each
// byte of a short text (U+FFFD for a lone byte), the exact count for a long one.
inline std::size_t shown_size_bound(std::string_view text) {
  constexpr std::size_t kMeasuredFrom = 4096;
  if (text.size() < kMeasuredFrom) [[likely]] return 3 * text.size();
  return shown_size(text);
}

// Trimmed from each end only as far as the white space goes. The last
// character starts at the nearest byte before the end that is not a
// continuation byte; if the bytes from there do not make exactly one
// well-formed character, the last byte stands alone (shown as U+FFFD).
std::string_view trim_white_space(std::string_view text) {
  // Most names begin and end with a printable ASCII character other than space.
  auto solid = [](char byte) { return byte > 0x20 && byte < 0x7F; };
  if (text.empty() || (solid(text.front()) && solid(text.back()))) return text;
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

// The device's label; returns its length in characters.
std::size_t put_label(ScreenWriter& out, const DeviceStatusFile& status) {
  if (status.report.device) {
    std::string_view name = trim_white_space(status.report.device->name);
    if (!name.empty()) return out.put_shown(name);
  }
  std::string_view udid = status.udid;
  // Cut by bytes, but never inside a character.
  if (udid.size() > kShortUdidBytes && !is_continuation_byte(udid[kShortUdidBytes])) {
    udid = udid.substr(0, kShortUdidBytes);
  }
  out.put("Device ");
  std::size_t count = out.put_shown(udid);
  out.put("…");
  return count + 8;
}

// No less than the label's length in bytes.
std::size_t label_size_bound(const DeviceStatusFile& status) {
  const std::string_view name = status.report.device ? std::string_view(status.report.device->name) : "";
  return shown_size_bound(name) + shown_size_bound(status.udid) + 16;
}

// No less than the screen's length, so that it is built without regrowing,
// with a byte to spare for the line feed that follows it when it is written.
std::size_t screen_size_bound(const Snapshot& snapshot) {
  // The longest state label and the no-devices text, or per device the
  // padding, the labels, the stale mark and the line prefixes.
  constexpr std::size_t kFixed = 160;
  constexpr std::size_t kPerDevice = 160;
  std::size_t size = kFixed;
  for (const DeviceView& view : snapshot) {
    const StatusReport& report = view.status.report;
    size += kPerDevice + label_size_bound(view.status) + shown_size_bound(report.remediation) +
            shown_size_bound(report.error ? std::string_view(*report.error) : std::string_view());
  }
  return size;
}

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
  std::string label;
  label.resize_and_overwrite(label_size_bound(status), [&](char* data, std::size_t) {
    ScreenWriter out(data);
    put_label(out, status);
    return out.written();
  });
  return label;
}

std::string render_screen(AgentState state, const Snapshot& snapshot) {
  std::string text;
  text.resize_and_overwrite(screen_size_bound(snapshot), [&](char* data, std::size_t) {
    ScreenWriter out(data);
    out.put("agent: ");
    out.put(agent_state_label(state));
    if (snapshot.empty()) {
      out.put("   (no devices yet — connect, unlock, and trust an iPhone over USB)");
      return out.written();
    }
    for (const DeviceView& view : snapshot) {
      const StatusReport& report = view.status.report;
      out.put("\n  ");
      std::size_t width = put_label(out, view.status);
      if (width < kLabelWidth) out.pad(kLabelWidth - width);
      out.put(' ');
      out.put(view.stale ? session_label(SessionReport::Idle) : session_label(report.session));
      out.put(" / ");
      out.put(transport_label(report.transport));
      if (view.stale) out.put("  [stale — agent not publishing]");
      if (!report.remediation.empty()) {
        out.put("\n      -> ");
        out.put_shown(report.remediation);
      }
      if (report.error) {
        out.put("\n      !  ");
        out.put_shown(*report.error);
      }
    }
    return out.written();
  });
  return text;
}

StatusScreen::StatusScreen(Writer writer) : writer_(std::move(writer)) {}

bool StatusScreen::refresh(AgentState state, const Snapshot& snapshot) {
  std::string text = render_screen(state, snapshot);
  if (last_printed_ && *last_printed_ == text) return true;
  // The line feed goes on for the write only, into the room that
  // render_screen left for it, so the screen is never copied.
  text.push_back('\n');
  bool written = writer_(text);
  text.pop_back();
  if (!written) return false;
  last_printed_ = std::move(text);
  return true;
}

}  // namespace wv
