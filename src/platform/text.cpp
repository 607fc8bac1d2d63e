#include "platform/text.h"

#include <algorithm>

#include "platform/os.h"

namespace wv {

void append_utf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
    return;
  }
  // The lead byte says how many continuation bytes follow, six bits each.
  constexpr unsigned char kLead[] = {0, 0xC0, 0xE0, 0xF0};
  const int continuations = c < 0x800 ? 1 : c < 0x10000 ? 2 : 3;
  out.push_back(static_cast<char>(kLead[continuations] | (c >> (6 * continuations))));
  for (int i = continuations - 1; i >= 0; --i) out.push_back(static_cast<char>(0x80 | ((c >> (6 * i)) & 0x3F)));
}

std::size_t utf8_sequence_length(std::string_view text, std::size_t pos, char32_t* scalar) {
  auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  unsigned char lead = byte(pos);
  std::size_t length = 0;
  char32_t value = 0;
  char32_t minimum = 0;
  if (lead < 0x80) {
    if (scalar) *scalar = lead;
    return 1;
  } else if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, value = lead & 0x1F, minimum = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, value = lead & 0x0F, minimum = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, value = lead & 0x07, minimum = 0x10000;
  } else {
    return 0;
  }
  if (text.size() - pos < length) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    unsigned char b = byte(pos + i);
    if ((b & 0xC0) != 0x80) return 0;
    value = (value << 6) | (b & 0x3F);
  }
  if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
  if (scalar) *scalar = value;
  return length;
}

bool is_valid_utf8(std::string_view text) {
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t n = utf8_sequence_length(text, pos);
    if (n == 0) return false;
    pos += n;
  }
  return true;
}

std::string utf8_sanitize(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for_each_scalar(text, [&](char32_t c) { append_utf8(out, c); });
  return out;
}

namespace {

constexpr bool is_high_surrogate(char32_t u) { return u >= 0xD800 && u <= 0xDBFF; }
constexpr bool is_low_surrogate(char32_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

// Where a last character that has begun but not ended starts, or the size of
// `text` when it ends on a boundary. A lone lead byte can always be completed.
// A longer tail can when padding it with the lowest continuation byte, 0x80,
// makes it well-formed: the second byte, the only one with rules of its own,
// is then already there.
std::size_t incomplete_tail_start(std::string_view text) {
  for (std::size_t tail = std::min<std::size_t>(3, text.size()); tail > 0; --tail) {
    std::string_view begun = text.substr(text.size() - tail);
    auto lead = static_cast<unsigned char>(begun[0]);
    if (tail == 1) return lead >= 0xC2 && lead <= 0xF4 ? text.size() - 1 : text.size();
    std::string padded(begun);
    padded.append(4 - tail, '\x80');
    if (utf8_sequence_length(padded, 0) > tail) return text.size() - tail;
  }
  return text.size();
}

}  // namespace

std::u16string utf16_from_utf8(std::string_view utf8) {
  std::u16string out;
  out.reserve(utf8.size());
  for_each_scalar(utf8, [&](char32_t c) {
    if (c >= 0x10000) {
      c -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(c));
    }
  });
  return out;
}

std::string utf8_from_utf16_lossy(std::u16string_view utf16) {
  std::string out;
  out.reserve(utf16.size());
  for (std::size_t i = 0; i < utf16.size(); ++i) {
    char32_t unit = utf16[i];
    if (is_high_surrogate(unit) && i + 1 < utf16.size() && is_low_surrogate(utf16[i + 1])) {
      append_utf8(out, 0x10000 + ((unit - 0xD800) << 10) + (utf16[i + 1] - 0xDC00));
      ++i;
      continue;
    }
    append_utf8(out, is_high_surrogate(unit) || is_low_surrogate(unit) ? kReplacementChar : unit);
  }
  return out;
}

std::size_t utf16_chunk_length(std::u16string_view text, std::size_t max_units) {
  if (text.size() <= max_units) return text.size();
  std::size_t n = max_units;
  if (n > 1 && is_high_surrogate(text[n - 1]) && is_low_surrogate(text[n])) --n;
  return n;
}

std::u16string Utf16StreamDecoder::decode(std::string_view piece) {
  held_.append(piece);
  std::size_t complete = incomplete_tail_start(held_);
  std::u16string out = utf16_from_utf8(std::string_view(held_).substr(0, complete));
  held_.erase(0, complete);
  return out;
}

std::u16string Utf16StreamDecoder::finish() {
  std::u16string out = utf16_from_utf8(held_);
  held_.clear();
  return out;
}

// NativeString holds UTF-16 units on Windows and bytes elsewhere; both
// branches compile on both, and the one for the other platform is dropped.
std::string native_to_utf8_lossy(NativeStringView native) {
  if constexpr (kIsWindows) {
    return utf8_from_utf16_lossy(std::u16string(native.begin(), native.end()));
  } else {
    return utf8_sanitize(std::string(native.begin(), native.end()));
  }
}

NativeString native_from_utf8(std::string_view utf8) {
  if constexpr (kIsWindows) {
    std::u16string wide = utf16_from_utf8(utf8);
    return NativeString(wide.begin(), wide.end());
  } else {
    return NativeString(utf8.begin(), utf8.end());
  }
}

}  // namespace wv
