#include "datadir/json_rules.h"

#include <limits>

namespace wv {

namespace {

std::string kind_name(JsonValue::Kind kind) {
  switch (kind) {
    case JsonValue::Kind::Null: return "null";
    case JsonValue::Kind::Bool: return "a boolean";
    case JsonValue::Kind::Unsigned: return "an unsigned integer";
    case JsonValue::Kind::Negative: return "a negative integer";
    case JsonValue::Kind::Float: return "a number with a fraction or exponent";
    case JsonValue::Kind::String: return "a string";
    case JsonValue::Kind::Array: return "an array";
    case JsonValue::Kind::Object: return "an object";
  }
  return "a value";
}

std::unexpected<DecodeError> expected_but(std::string_view wanted, const JsonValue& v) {
  return decode_failure("must be " + std::string(wanted) + ", not " + kind_name(v.kind()));
}

}  // namespace

Decoded<std::uint32_t> decode_u32(const JsonValue& v) {
  if (v.kind() != JsonValue::Kind::Unsigned) return expected_but("an unsigned 32-bit integer", v);
  if (v.as_unsigned() > std::numeric_limits<std::uint32_t>::max()) {
    return decode_failure("must be an unsigned 32-bit integer, not one above 4294967295");
  }
  return static_cast<std::uint32_t>(v.as_unsigned());
}

Decoded<std::uint64_t> decode_u64(const JsonValue& v) {
  // Integers above 64 bits arrive as Float, and are refused with the fractions.
  if (v.kind() != JsonValue::Kind::Unsigned) return expected_but("an unsigned 64-bit integer", v);
  return v.as_unsigned();
}

Decoded<double> decode_f64(const JsonValue& v) {
  switch (v.kind()) {
    case JsonValue::Kind::Unsigned: return static_cast<double>(v.as_unsigned());
    case JsonValue::Kind::Negative: return static_cast<double>(v.as_negative());
    case JsonValue::Kind::Float: return v.as_float();
    default: return expected_but("a number", v);
  }
}

Decoded<bool> decode_bool(const JsonValue& v) {
  if (v.kind() != JsonValue::Kind::Bool) return expected_but("true or false", v);
  return v.as_bool();
}

Decoded<std::string> decode_text(const JsonValue& v) {
  if (v.kind() != JsonValue::Kind::String) return expected_but("a string", v);
  return v.as_string();
}

Decoded<std::size_t> decode_word_position(const JsonValue& v, std::span<const std::string_view> words,
                                          UnknownWord unknown) {
  std::string_view word;
  if (v.kind() == JsonValue::Kind::String) {
    word = v.as_string();
  } else if (v.is_object()) {
    if (v.members().size() != 1) {
      return decode_failure("a word written as an object must have exactly one key, not " +
                            std::to_string(v.members().size()));
    }
    const JsonMember& only = v.members().front();
    bool empty_object = only.value.is_object() && only.value.members().empty();
    if (!only.value.is_null() && !empty_object) {
      return decode_failure("the key of a word written as an object must hold null or {}");
    }
    word = only.key;
  } else {
    return expected_but("a word (a string, or an object with one key)", v);
  }
  for (std::size_t i = 0; i < words.size(); ++i) {
    if (words[i] == word) return i;
  }
  if (unknown == UnknownWord::Last && !words.empty()) return words.size() - 1;
  std::string list;
  for (std::string_view w : words) list += (list.empty() ? "\"" : ", \"") + std::string(w) + "\"";
  return decode_failure("\"" + std::string(word) + "\" is not one of " + list);
}

namespace detail {

std::unexpected<DecodeError> record_shape_failure(RecordForms forms) {
  return decode_failure(forms == RecordForms::ObjectOrArray ? "must be an object or an array" : "must be an object");
}

std::unexpected<DecodeError> too_many_values(std::size_t fields) {
  return decode_failure("an array of more values than the record's " + std::to_string(fields) + " fields");
}

std::unexpected<DecodeError> repeated_key(std::string_view key) {
  return std::unexpected(DecodeError{std::string(key), "given twice in one object"});
}

std::unexpected<DecodeError> missing_key(std::string_view key) {
  return std::unexpected(DecodeError{std::string(key), "required, but missing"});
}

}  // namespace detail

}  // namespace wv
