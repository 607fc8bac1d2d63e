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

}  // namespace wv
