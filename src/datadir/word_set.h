#pragma once
// A word set's words come from its enum: word_of(E) has a case for each
// value, giving the word the files write for it, and the build refuses a
// value without one (-Werror=switch). The list a file is read by is made from
// those cases, so a word's position in it is its value.

#include <array>
#include <cstddef>
#include <string_view>

namespace wv {

// How many values, from the first, have a word.
template <class E>
consteval std::size_t word_count() {
  std::size_t n = 0;
  while (!word_of(static_cast<E>(n)).empty()) ++n;
  return n;
}

// The words of E's values, in the enum's order.
template <class E>
consteval std::array<std::string_view, word_count<E>()> words_of() {
  std::array<std::string_view, word_count<E>()> words{};
  for (std::size_t i = 0; i < words.size(); ++i) words[i] = word_of(static_cast<E>(i));
  return words;
}

}  // namespace wv
