#pragma once
// UTF-8 decoding and encoding, shared by the text conversions and the
// screen. Pure code, no OS calls.

#include <cstddef>
#include <string>
#include <string_view>

namespace wv {

inline constexpr char32_t kReplacementChar = 0xFFFD;

// Appends the UTF-8 encoding of a Unicode scalar value.
void append_utf8(std::string& out, char32_t c);

// Length in bytes of the well-formed UTF-8 sequence starting at `pos`, or 0
// if the bytes there are not one (overlong forms, surrogates and values above
// U+10FFFF included). `*scalar` receives the value when it is not null.
std::size_t utf8_sequence_length(std::string_view text, std::size_t pos, char32_t* scalar = nullptr);

bool is_valid_utf8(std::string_view text);

// Calls f(char32_t) for each scalar value; each byte that does not begin a
// well-formed sequence yields one U+FFFD.
template <class F>
void for_each_scalar(std::string_view text, F&& f) {
  std::size_t pos = 0;
  while (pos < text.size()) {
    char32_t c = 0;
    std::size_t n = utf8_sequence_length(text, pos, &c);
    f(n == 0 ? kReplacementChar : c);
    pos += n == 0 ? 1 : n;
  }
}

// The text with every ill-formed byte replaced by U+FFFD.
std::string utf8_sanitize(std::string_view text);

}  // namespace wv
