#pragma once
// The loop around a system call that fills the caller's buffer. Pure code,
// so that tests can drive it. Internal to the platform layer.

#include <cstddef>
#include <optional>
#include <string>

namespace wv::detail {

// `call(data, capacity)` gives the length it wrote, or nothing on a failure.
// A length at or above the capacity did not fit: it is the size needed
// (GetEnvironmentVariableW, GetFullPathNameW, GetShortPathNameW,
// GetTempPathW), or the capacity where the call cuts the text short
// (GetModuleFileNameW, POSIX readlink()), and the buffer then grows to that
// size or doubles, until it holds `limit` characters.
template <class Char, class Call>
std::optional<std::basic_string<Char>> fill_growing(std::size_t first, std::size_t limit, Call call) {
  std::basic_string<Char> buffer(first, Char{});
  for (;;) {
    std::optional<std::size_t> length = call(buffer.data(), buffer.size());
    if (!length) return std::nullopt;
    if (*length < buffer.size()) return buffer.substr(0, *length);
    if (buffer.size() >= limit) return std::nullopt;
    buffer.resize(*length > buffer.size() ? *length : buffer.size() * 2);
  }
}

// The length a call gave, where 0 is its failure.
inline std::optional<std::size_t> unless_zero(std::size_t length) {
  return length == 0 ? std::nullopt : std::optional<std::size_t>(length);
}

}  // namespace wv::detail
