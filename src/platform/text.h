#pragma once
// Text: UTF-8 decoded and encoded, UTF-16 (the Windows API's text) converted
// from and to it, and the platform's native strings (UTF-16 on Windows, bytes
// on POSIX) as UTF-8. Pure code: both platforms build and test all of it.

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace wv {

using NativeString = std::filesystem::path::string_type;
using NativeStringView = std::basic_string_view<NativeString::value_type>;

inline constexpr char32_t kReplacementChar = 0xFFFD;

// ---- UTF-8 ----------------------------------------------------------------

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

// ---- UTF-16 ---------------------------------------------------------------

// Each byte that does not begin a well-formed UTF-8 sequence becomes U+FFFD.
std::u16string utf16_from_utf8(std::string_view utf8);

// Each unpaired surrogate becomes U+FFFD.
std::string utf8_from_utf16_lossy(std::u16string_view utf16);

// How many units of `text` to pass in one call that takes at most
// `max_units`: all of them if they fit, else `max_units`, one fewer when that
// would end between the two halves of a surrogate pair (each half alone would
// show as U+FFFD).
std::size_t utf16_chunk_length(std::u16string_view text, std::size_t max_units);

// UTF-8 that arrives in pieces, as reads of a pipe give it, converted piece by
// piece exactly as utf16_from_utf8 converts the whole: a character cut
// between two pieces is held back until its end arrives, instead of showing
// as replacement characters.
class Utf16StreamDecoder {
 public:
  // The text of `piece` and of what was held back before it, up to a last
  // character that has begun but not ended.
  std::u16string decode(std::string_view piece);
  // At the end of the stream: what is still held back, each byte a U+FFFD.
  std::u16string finish();

 private:
  std::string held_;  // at most the first three bytes of a character
};

// ---- Native strings -------------------------------------------------------

// Native string as UTF-8; whatever has no text form (an unpaired surrogate,
// bytes that are not UTF-8) becomes U+FFFD.
std::string native_to_utf8_lossy(NativeStringView native);
inline std::string path_to_utf8_lossy(const std::filesystem::path& p) { return native_to_utf8_lossy(p.native()); }

// UTF-8 text as a native string; invalid sequences become U+FFFD on Windows
// and pass through unchanged on POSIX, where native strings are bytes.
NativeString native_from_utf8(std::string_view utf8);

}  // namespace wv
