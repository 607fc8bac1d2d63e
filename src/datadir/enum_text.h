#pragma once
// A text for each value of an enum: how the files write a word set, or how
// the screen shows it. Each list names the value beside its text and stands
// in the enum's order, and the build checks that it does, so one enum and its
// lists cannot drift apart by position.

#include <array>
#include <cstddef>
#include <string_view>

namespace wv {

template <class E>
struct EnumText {
  E value;
  std::string_view text;
};
// Spelt out for compilers that do not yet deduce an aggregate's arguments.
template <class E>
EnumText(E, std::string_view) -> EnumText<E>;

// True when `texts` lists E's values from the first, each once, in the
// enum's order, so that a text's position is its value.
template <class E, std::size_t N>
consteval bool in_enum_order(const std::array<EnumText<E>, N>& texts) {
  for (std::size_t i = 0; i < N; ++i) {
    if (texts[i].value != static_cast<E>(i)) return false;
  }
  return N > 0;
}

// True when both lists are in the enum's order and list the same values.
template <class E, std::size_t N, std::size_t M>
consteval bool same_values(const std::array<EnumText<E>, N>& a, const std::array<EnumText<E>, M>& b) {
  return N == M && in_enum_order(a) && in_enum_order(b);
}

// The texts alone, positioned by value.
template <class E, std::size_t N>
consteval std::array<std::string_view, N> texts_of(const std::array<EnumText<E>, N>& texts) {
  static_assert(N > 0);
  std::array<std::string_view, N> out{};
  for (std::size_t i = 0; i < N; ++i) out[i] = texts[i].text;
  return out;
}

// The text of `value`; a value past the list (none the files can give) takes
// the last one.
template <class E, std::size_t N>
constexpr std::string_view text_of(const std::array<EnumText<E>, N>& texts, E value) {
  const auto position = static_cast<std::size_t>(value);
  return texts[position < N ? position : N - 1].text;
}

}  // namespace wv
