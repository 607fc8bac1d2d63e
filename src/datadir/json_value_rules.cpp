#include "datadir/json_value_rules.h"

#include <limits>

namespace wv {
namespace {

std::string_view kind_name(JsonKind kind) {
  switch (kind) {
    case JsonKind::Null: return "null";
    case JsonKind::Bool: return "a boolean";
    case JsonKind::Unsigned: return "an unsigned integer";
    case JsonKind::Negative: return "a negative integer";
    case JsonKind::Float: return "a number with a fraction or exponent";
    case JsonKind::String: return "a string";
    case JsonKind::Array: return "an array";
    case JsonKind::Object: return "an object";
  }
  return "a value";
}

std::unexpected<DecodeError> expected_but(std::string_view wanted, const JsonToken& v) {
  return decode_failure("must be " + std::string(wanted) + ", not " + std::string(kind_name(v.kind)));
}

}  // namespace

std::expected<void, DecodeError> decode_value(const JsonToken& v, std::uint32_t& out) {
  if (v.kind != JsonKind::Unsigned) return expected_but("an unsigned 32-bit integer", v);
  if (v.unsigned_value > std::numeric_limits<std::uint32_t>::max()) {
    return decode_failure("must be an unsigned 32-bit integer, not one above 4294967295");
  }
  out = static_cast<std::uint32_t>(v.unsigned_value);
  return {};
}

std::expected<void, DecodeError> decode_value(const JsonToken& v, std::uint64_t& out) {
  // Integers above 64 bits arrive as Float, and are refused with the fractions.
  if (v.kind != JsonKind::Unsigned) return expected_but("an unsigned 64-bit integer", v);
  out = v.unsigned_value;
  return {};
}

std::expected<void, DecodeError> decode_value(const JsonToken& v, double& out) {
  switch (v.kind) {
    case JsonKind::Unsigned: out = static_cast<double>(v.unsigned_value); return {};
    case JsonKind::Negative: out = static_cast<double>(v.negative_value); return {};
    case JsonKind::Float: out = v.float_value; return {};
    default: return expected_but("a number", v);
  }
}

std::expected<void, DecodeError> decode_value(const JsonToken& v, bool& out) {
  if (v.kind != JsonKind::Bool) return expected_but("true or false", v);
  out = v.boolean;
  return {};
}

std::expected<void, DecodeError> decode_value(const JsonToken& v, std::string& out) {
  if (v.kind != JsonKind::String) return expected_but("a string", v);
  out = *v.text;
  return {};
}

Decoded<std::size_t> word_position(std::string_view word, const WordSet& set) {
  for (std::size_t i = 0; i < set.words.size(); ++i) {
    if (set.words[i] == word) return i;
  }
  if (set.unknown < set.words.size()) return set.unknown;
  std::string rule = "\"";
  rule += word;
  rule += "\" is not one of ";
  for (std::size_t i = 0; i < set.words.size(); ++i) {
    rule += i == 0 ? "\"" : ", \"";
    rule += set.words[i];
    rule += '"';
  }
  return decode_failure(std::move(rule));
}

}  // namespace wv
