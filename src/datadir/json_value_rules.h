#pragma once
// The rules for one value of a published file, whatever record it is in: a
// scalar as its member's type takes it, and a word of a word set. The record
// tables (json_rules.h) pick the rule from the member's type; the reader
// (json_reader.cpp) hands each value over as a token.

#include <array>
#include <cstddef>
#include <cstdint>
#include <expected>
#include <span>
#include <string>
#include <string_view>

#include "datadir/decode_error.h"

namespace wv {

enum class JsonKind : std::uint8_t {
  Null,
  Bool,
  Unsigned,  // an integer written without a sign
  Negative,  // an integer written with a minus sign, -0 included
  Float,     // a fraction, an exponent, or an integer too wide for 64 bits
  String,
  Array,   // the start of one
  Object,  // the start of one
};

// One value as the reader meets it: a scalar whole, or the start of an array
// or an object.
struct JsonToken {
  JsonKind kind = JsonKind::Null;
  bool boolean = false;
  std::uint64_t unsigned_value = 0;
  std::int64_t negative_value = 0;
  double float_value = 0;
  const std::string* text = nullptr;
};

// ---- Scalars ---------------------------------------------------------------

// Each stores the value in `out`, or says which rule it broke.
std::expected<void, DecodeError> decode_value(const JsonToken& v, std::uint32_t& out);
std::expected<void, DecodeError> decode_value(const JsonToken& v, std::uint64_t& out);
std::expected<void, DecodeError> decode_value(const JsonToken& v, double& out);
std::expected<void, DecodeError> decode_value(const JsonToken& v, bool& out);
std::expected<void, DecodeError> decode_value(const JsonToken& v, std::string& out);

// ---- Words ----------------------------------------------------------------

// A word set's words come from its enum: word_of(E) has a case for each
// value, giving the word the files write for it, and the build refuses a
// value without one (-Werror=switch). A word's position in the set is its
// value. A set whose enum has a value named Unknown reads every other word as
// that value; any other set refuses them.
struct WordSet {
  std::span<const std::string_view> words;
  std::size_t unknown;  // the position other words read as; words.size() when they are refused
};

// The word's position in its set. A word is written as a string, or as an
// object with exactly one key, the word, whose value is null or {}; the
// reader takes care of that shape.
Decoded<std::size_t> word_position(std::string_view word, const WordSet& set);

template <class E>
consteval std::size_t word_count() {
  std::size_t n = 0;
  while (!word_of(static_cast<E>(n)).empty()) ++n;
  return n;
}

template <class E>
inline constexpr auto kWordsOf = [] {
  std::array<std::string_view, word_count<E>()> words{};
  for (std::size_t i = 0; i < words.size(); ++i) words[i] = word_of(static_cast<E>(i));
  return words;
}();

template <class E>
consteval std::size_t unknown_word_position() {
  if constexpr (requires { E::Unknown; }) return static_cast<std::size_t>(E::Unknown);
  return kWordsOf<E>.size();
}

template <class E>
inline constexpr WordSet kWordSetOf{kWordsOf<E>, unknown_word_position<E>()};

}  // namespace wv
