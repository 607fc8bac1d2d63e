#pragma once
// The loop around a system call that fills the caller's buffer and, where
// the buffer is too small, cuts the text short or says what size it needs.
// Pure code, so that the tests can drive it with a call of their own.
// Internal to the platform layer.

#include <cstddef>
#include <optional>
#include <string>

namespace wv::detail {

// `call(data, capacity)` gives the length it wrote, or nothing on a failure.
// A length below the capacity is the whole text. One at or above it did not
// fit: it is either the size needed, terminator included (as
// GetEnvironmentVariableW, GetFullPathNameW, GetShortPathNameW and
// GetTempPathW report it), or the capacity itself where the call only cuts
// the text short (GetModuleFileNameW, POSIX readlink()). The buffer then
// grows to the size needed, or else doubles, unless it holds `limit`
// characters or more already: then the text is given up on.
template <class Char, class Call>
std::optional<std::basic_string<Char>> fill_growing(std::size_t first, std::size_t limit, Call call) {
  std::basic_string<Char> buffer(first, Char{});
  for (;;) {
    std::optional<std::size_t> length = call(buffer.data(), buffer.size());
    if (!length) return std::nullopt;
    if (*length < buffer.size()) {
      buffer.resize(*length);
      return buffer;
    }
    if (buffer.size() >= limit) return std::nullopt;
    buffer.resize(*length > buffer.size() ? *length : buffer.size() * 2);
  }
}

// The length a call gave, where 0 is its failure.
inline std::optional<std::size_t> unless_zero(std::size_t length) {
  return length == 0 ? std::nullopt : std::optional<std::size_t>(length);
}

}  // namespace wv::detail
