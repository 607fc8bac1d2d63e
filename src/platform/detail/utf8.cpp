#include "platform/utf8.h"

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

}  // namespace wv
