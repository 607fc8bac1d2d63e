#pragma once
// The typed rules that both published files are decoded by, written once:
// each takes a JsonValue and gives the typed value or the rule it broke.

#include <cstddef>
#include <cstdint>
#include <expected>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "datadir/decode_error.h"
#include "datadir/json_value.h"

namespace wv {

// Integers within the width, written without sign, fraction or exponent.
Decoded<std::uint32_t> decode_u32(const JsonValue& v);
Decoded<std::uint64_t> decode_u64(const JsonValue& v);
// Any number; integers are converted.
Decoded<double> decode_f64(const JsonValue& v);
Decoded<bool> decode_bool(const JsonValue& v);
Decoded<std::string> decode_text(const JsonValue& v);

// The type that a rule such as decode_u32 yields.
template <auto Rule>
using rule_value_t = typename std::invoke_result_t<decltype(Rule), const JsonValue&>::value_type;

// null is absent; anything else must satisfy Rule.
template <auto Rule>
Decoded<std::optional<rule_value_t<Rule>>> decode_optional(const JsonValue& v) {
  using T = rule_value_t<Rule>;
  if (v.is_null()) return std::optional<T>();
  Decoded<T> d = Rule(v);
  if (!d) return std::unexpected(std::move(d).error());
  return std::optional<T>(std::move(*d));
}

// An array whose every element satisfies Rule.
template <auto Rule>
Decoded<std::vector<rule_value_t<Rule>>> decode_list(const JsonValue& v) {
  using T = rule_value_t<Rule>;
  if (!v.is_array()) return decode_failure("must be an array");
  std::vector<T> out;
  out.reserve(v.items().size());
  for (std::size_t i = 0; i < v.items().size(); ++i) {
    Decoded<T> d = Rule(v.items()[i]);
    if (!d) return std::unexpected(inside("[" + std::to_string(i) + "]", std::move(d).error()));
    out.push_back(std::move(*d));
  }
  return out;
}

// ---- Words --------------------------------------------------------------

// What a word outside its set means: the file is invalid, or it reads as the
// set's last word.
enum class UnknownWord { Invalid, Last };

// A word is a string, or an object with exactly one key, the word, whose
// value is null or {}. Gives the word's position in `words`.
Decoded<std::size_t> decode_word_position(const JsonValue& v, std::span<const std::string_view> words,
                                          UnknownWord unknown);

// For an enum whose values stand in the order of `words`.
template <class E>
Decoded<E> decode_word(const JsonValue& v, std::span<const std::string_view> words, UnknownWord unknown) {
  Decoded<std::size_t> position = decode_word_position(v, words, unknown);
  if (!position) return std::unexpected(std::move(position).error());
  return static_cast<E>(*position);
}

// ---- Records ------------------------------------------------------------

enum class Need { Optional, Required };
// Whether a record may also be written as an array of its field values in
// declaration order.
enum class RecordForms { ObjectOnly, ObjectOrArray };

template <class R>
struct Field {
  std::string_view key;
  Need need;
  // Decodes the value into its member of the record.
  std::expected<void, DecodeError> (*decode)(const JsonValue&, R&);
};

namespace detail {
template <class M>
struct member_pointer;
template <class R, class T>
struct member_pointer<T R::*> {
  using record = R;
  using type = T;
};
}  // namespace detail

// A field stored in `Member` and decoded by `Rule`, e.g.
//   field<&RouteStatus::remaining_secs, decode_optional<decode_u64>>("remaining_secs")
template <auto Member, auto Rule>
constexpr Field<typename detail::member_pointer<decltype(Member)>::record> field(std::string_view key,
                                                                                 Need need = Need::Optional) {
  using R = typename detail::member_pointer<decltype(Member)>::record;
  return {key, need, [](const JsonValue& v, R& record) -> std::expected<void, DecodeError> {
            auto d = Rule(v);
            if (!d) return std::unexpected(std::move(d).error());
            record.*Member = std::move(*d);
            return {};
          }};
}

namespace detail {
// The parts of record decoding that do not depend on the record type.
std::unexpected<DecodeError> record_shape_failure(RecordForms forms);
std::unexpected<DecodeError> too_many_values(std::size_t fields);
std::unexpected<DecodeError> repeated_key(std::string_view key);
std::unexpected<DecodeError> missing_key(std::string_view key);
}  // namespace detail

// Decodes a record from an object (keys in any order; unknown keys ignored;
// a known key given twice is invalid) or, where allowed, from an array of its
// field values (trailing ones may be left off; more values than fields is
// invalid). Fields not given keep their values in `record`, which holds the
// defaults; a required field not given is invalid.
template <class R>
Decoded<R> decode_record(const JsonValue& v, std::span<const Field<R>> fields, RecordForms forms, R record = R{}) {
  std::vector<bool> seen(fields.size(), false);
  if (v.is_object()) {
    for (const JsonMember& m : v.members()) {
      std::size_t i = 0;
      while (i < fields.size() && fields[i].key != m.key) ++i;
      if (i == fields.size()) continue;
      if (seen[i]) return detail::repeated_key(fields[i].key);
      seen[i] = true;
      if (auto r = fields[i].decode(m.value, record); !r) return std::unexpected(inside(fields[i].key, r.error()));
    }
  } else if (v.is_array() && forms == RecordForms::ObjectOrArray) {
    std::span<const JsonValue> values = v.items();
    if (values.size() > fields.size()) return detail::too_many_values(fields.size());
    for (std::size_t i = 0; i < values.size(); ++i) {
      seen[i] = true;
      if (auto r = fields[i].decode(values[i], record); !r) return std::unexpected(inside(fields[i].key, r.error()));
    }
  } else {
    return detail::record_shape_failure(forms);
  }
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (fields[i].need == Need::Required && !seen[i]) return detail::missing_key(fields[i].key);
  }
  return record;
}

}  // namespace wv
