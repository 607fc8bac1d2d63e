#pragma once
// UTF-16, the text of the Windows API, converted from and to UTF-8. Pure code,
// no OS calls, so both platforms build and test it.

#include <cstddef>
#include <string>
#include <string_view>

namespace wv {

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

}  // namespace wv
