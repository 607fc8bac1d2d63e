#pragma once
// The typed rules that both published files are decoded by, and the tables
// that describe their records. Each record has one table of fields; the key,
// whether it is required, how its value is decoded and which record it nests
// are all read from that one entry, so nothing about a key is written twice.

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

namespace wv {

// Arrays and objects nest at most this deep, the top-level value counting as
// level 1.
inline constexpr std::size_t kMaxJsonDepth = 127;

enum class JsonKind : std::uint8_t {
  Null,
  Bool,
  Unsigned,  // an integer written without a sign
  Negative,  // an integer written with a minus sign, -0 included
  Float,     // a fraction, an exponent, or an integer too wide for 64 bits
  String,
  Array,     // the start of one
  Object,    // the start of one
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

// ---- Value rules ----------------------------------------------------------

// Integers within the width, written without sign, fraction or exponent.
Decoded<std::uint32_t> decode_u32(JsonToken& v);
Decoded<std::uint64_t> decode_u64(JsonToken& v);
// Any number; integers are converted.
Decoded<double> decode_f64(JsonToken& v);
Decoded<bool> decode_bool(JsonToken& v);
Decoded<std::string> decode_text(JsonToken& v);

// The type that a rule such as decode_u32 yields.
template <auto Rule>
using rule_value_t = typename std::invoke_result_t<decltype(Rule), JsonToken&>::value_type;

// null is absent; anything else must satisfy Rule.
template <auto Rule>
Decoded<std::optional<rule_value_t<Rule>>> decode_optional(JsonToken& v) {
  using T = rule_value_t<Rule>;
  if (v.kind == JsonKind::Null) return std::optional<T>();
  Decoded<T> d = Rule(v);
  if (!d) return std::unexpected(std::move(d).error());
  return std::optional<T>(std::move(*d));
}

// ---- Words ----------------------------------------------------------------

// What a word outside its set means: the file is invalid, or it reads as the
// set's last word.
enum class UnknownWord { Invalid, Last };

struct WordSet {
  std::span<const std::string_view> words;
  UnknownWord unknown;
};

// The word's position in its set. A word is written as a string, or as an
// object with exactly one key, the word, whose value is null or {}; the
// reader takes care of that shape.
Decoded<std::size_t> word_position(std::string_view word, const WordSet& set);

// ---- Records --------------------------------------------------------------

enum class Need : std::uint8_t { Optional, Required };
// Whether a record may also be written as an array of its field values in
// declaration order.
enum class RecordForms : std::uint8_t { ObjectOnly, ObjectOrArray };

struct RecordTable;

// A key's length and three of its bytes in one word: keys are told apart by
// this before their bytes are compared.
constexpr std::uint32_t key_signature(std::string_view key) {
  if (key.empty()) return 0;
  auto byte = [&](std::size_t i) { return static_cast<std::uint32_t>(static_cast<unsigned char>(key[i])); };
  return (static_cast<std::uint32_t>(key.size()) << 24) | (byte(0) << 16) | (byte(key.size() / 2) << 8) |
         byte(key.size() - 1);
}

// One key of a record. Made by field(), word_field(), record_field() and
// list_field() below, which derive everything else from the member.
struct Field {
  enum class Shape : std::uint8_t {
    Scalar,  // decoded from one token by a value rule
    Word,    // a word of a word set
    Record,  // a nested record, from an object or (where its table allows) an array
    List,    // an array of nested records
  };

  std::string_view key;
  std::uint32_t signature = 0;  // key_signature(key)
  Need need = Need::Optional;
  Shape shape = Shape::Scalar;
  // Word and Record: null means absent (the member is a std::optional).
  bool nullable = false;
  const void* record_type = nullptr;  // which record the field belongs to
  // Scalar: decodes the token into the member.
  std::expected<void, DecodeError> (*decode)(JsonToken&, void* record) = nullptr;
  // Word: stores the word's position in the member.
  const WordSet* words = nullptr;
  void (*store_word)(void* record, std::size_t position) = nullptr;
  // Record: the member, made present; List: a new element at its end.
  const RecordTable* nested = nullptr;
  void* (*open)(void* record) = nullptr;
  // List: removes the last element.
  void (*drop_last)(void* record) = nullptr;
};

struct RecordTable {
  std::span<const Field> fields;
  RecordForms forms = RecordForms::ObjectOnly;
  const void* record_type = nullptr;
  // The fields of another record whose keys are written in this record's own
  // object, beside its fields, and the member that holds that record.
  const RecordTable* beside = nullptr;
  void* (*beside_member)(void* record) = nullptr;
};

// A record's table, known to be for R.
template <class R>
struct Table {
  RecordTable erased;
};

namespace detail {

template <class R>
inline constexpr char record_type_tag = 0;

template <class R>
constexpr const void* record_type_of() {
  return &record_type_tag<R>;
}

template <class M>
struct member_pointer;
template <class R, class T>
struct member_pointer<T R::*> {
  using record = R;
  using type = T;
};
template <auto Member>
using member_record_t = typename member_pointer<decltype(Member)>::record;
template <auto Member>
using member_type_t = typename member_pointer<decltype(Member)>::type;

template <class T>
struct optional_value {
  using type = T;
  static constexpr bool is_optional = false;
};
template <class T>
struct optional_value<std::optional<T>> {
  using type = T;
  static constexpr bool is_optional = true;
};

}  // namespace detail

// What every kind of field of record R has: its key, need and shape.
template <class R>
consteval Field field_base(std::string_view key, Need need, Field::Shape shape) {
  Field f;
  f.key = key;
  f.signature = key_signature(key);
  f.need = need;
  f.shape = shape;
  f.record_type = detail::record_type_of<R>();
  return f;
}

// A field stored in `Member` and decoded by `Rule`, e.g.
//   field<&RouteStatus::remaining_secs, decode_optional<decode_u64>>("remaining_secs")
template <auto Member, auto Rule>
consteval Field field(std::string_view key, Need need = Need::Optional) {
  using R = detail::member_record_t<Member>;
  static_assert(std::is_same_v<rule_value_t<Rule>, detail::member_type_t<Member>>,
                "the rule must yield the member's type");
  Field f = field_base<R>(key, need, Field::Shape::Scalar);
  f.decode = [](JsonToken& v, void* record) -> std::expected<void, DecodeError> {
    auto d = Rule(v);
    if (!d) return std::unexpected(std::move(d).error());
    static_cast<R*>(record)->*Member = std::move(*d);
    return {};
  };
  return f;
}

// A word of `set` stored in `Member`, an enum whose values stand in the order
// of the set's words, or a std::optional of one (then null is absent).
template <auto Member>
consteval Field word_field(std::string_view key, const WordSet& set, Need need = Need::Optional) {
  using R = detail::member_record_t<Member>;
  using M = detail::member_type_t<Member>;
  using E = typename detail::optional_value<M>::type;
  static_assert(std::is_enum_v<E>, "a word is stored as an enum");
  Field f = field_base<R>(key, need, Field::Shape::Word);
  f.nullable = detail::optional_value<M>::is_optional;
  f.words = &set;
  f.store_word = [](void* record, std::size_t position) {
    static_cast<R*>(record)->*Member = static_cast<E>(position);
  };
  return f;
}

// A nested record stored in `Member`, or in a std::optional of one (then null
// is absent), decoded by its own table.
template <auto Member, class Nested>
consteval Field record_field(std::string_view key, const Table<Nested>& table, Need need = Need::Optional) {
  using R = detail::member_record_t<Member>;
  using M = detail::member_type_t<Member>;
  static_assert(std::is_same_v<typename detail::optional_value<M>::type, Nested>,
                "the table must be the member's record's");
  Field f = field_base<R>(key, need, Field::Shape::Record);
  f.nullable = detail::optional_value<M>::is_optional;
  f.nested = &table.erased;
  f.open = [](void* record) -> void* {
    M& member = static_cast<R*>(record)->*Member;
    if constexpr (detail::optional_value<M>::is_optional) {
      return &member.emplace();
    } else {
      return &member;
    }
  };
  return f;
}

// An array of nested records stored in `Member`, a std::vector of them, in
// file order.
template <auto Member, class Element>
consteval Field list_field(std::string_view key, const Table<Element>& table, Need need = Need::Optional) {
  using R = detail::member_record_t<Member>;
  static_assert(std::is_same_v<detail::member_type_t<Member>, std::vector<Element>>,
                "the table must be the list's element's");
  Field f = field_base<R>(key, need, Field::Shape::List);
  f.nested = &table.erased;
  f.open = [](void* record) -> void* { return &(static_cast<R*>(record)->*Member).emplace_back(); };
  f.drop_last = [](void* record) { (static_cast<R*>(record)->*Member).pop_back(); };
  return f;
}

// The table of record R. Refuses, at compile time, a field of another record.
// A throw in a consteval function is a compile error, never a run-time one.
template <class R>
consteval Table<R> record_table(std::span<const Field> fields, RecordForms forms) {
  for (const Field& f : fields) {
    if (f.record_type != detail::record_type_of<R>()) throw "a field of another record in this table";
    if (f.signature != key_signature(f.key)) throw "a field whose signature is not its key's";
  }
  // The reader marks the keys it has seen in one 32-bit word.
  if (fields.size() > 32) throw "more fields than the reader can track";
  return Table<R>{RecordTable{fields, forms, detail::record_type_of<R>()}};
}

// The same, with the keys of the record in `Member` written beside R's own,
// in the one object (so only the object form is possible).
template <class R, auto Member, class Beside>
consteval Table<R> record_table_with(std::span<const Field> fields, const Table<Beside>& beside) {
  static_assert(std::is_same_v<detail::member_type_t<Member>, Beside>, "the table must be the member's record's");
  Table<R> table = record_table<R>(fields, RecordForms::ObjectOnly);
  if (fields.size() + beside.erased.fields.size() > 32) throw "more fields than the reader can track";
  table.erased.beside = &beside.erased;
  table.erased.beside_member = [](void* record) -> void* { return &(static_cast<R*>(record)->*Member); };
  return table;
}

}  // namespace wv
