#include "platform/detail/utf16.h"

#include <algorithm>

#include "platform/utf8.h"

namespace wv {
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

}  // namespace wv
