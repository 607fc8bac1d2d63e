#pragma once
// The tables that describe the records both published files are decoded
// into. A record's table has one line per member, in
// the members' order: WV_FIELD(Record, member), with Need::Required after it
// where the key must be given. The key is the member's own name, and how its
// value is decoded follows from the member's type:
//
//   std::uint32_t, std::uint64_t  an integer within the width, written
//                                 without sign, fraction or exponent
//   double                        any number; integers are converted
//   bool                          true or false
//   std::string                   a string
//   an enum with word_of          a word of its set (see WordSet)
//   a record with a table         a nested record
//   std::vector of such a record  an array of them, in file order
//   std::optional of any of these null, which means absent, or the value

#include <array>
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
#include "datadir/json_value_rules.h"

namespace wv {

// Arrays and objects nest at most this deep, the top-level value counting as
// level 1.
inline constexpr std::size_t kMaxJsonDepth = 127;

// ---- Records --------------------------------------------------------------

enum class Need : std::uint8_t { Optional, Required };
// Whether a record may also be written as an array of its field values in
// declaration order. Such a record gains members only at its end.
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

// One member of a record, as field() below derives it from the member.
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
  bool nullable = false;              // the member is a std::optional: null means absent
  const void* record_type = nullptr;  // which record the member belongs to
  std::size_t members = 0;            // how many members that record has
  std::uint32_t fits = 0;             // bit p: the record's member at position p has this member's type
  // Scalar: decodes the token into the member.
  std::expected<void, DecodeError> (*decode)(const JsonToken&, void* record) = nullptr;
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
};

// Each record's table, given by a specialisation made with table() below
// where the record is decoded, before any table that nests the record. A
// record nested before its table is given fails to build ("specialization
// after instantiation").
template <class R>
inline constexpr RecordTable kTable{};

namespace detail {

template <class R>
inline constexpr char record_type_tag = 0;

template <class M>
struct member_pointer;
template <class R, class T>
struct member_pointer<T R::*> {
  using record = R;
  using type = T;
};

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

template <class T>
inline constexpr bool is_vector = false;
template <class T>
inline constexpr bool is_vector<std::vector<T>> = true;

// Converts to any type, or only to T, so that the compiler can be asked,
// without making one, how many members an aggregate has and of what types.
template <class T = void>
struct Convertible {
  template <class U>
    requires(std::is_void_v<T> || std::is_same_v<T, U>)
  operator U() const;
};

// Whether R can be brace-initialised from `before` values and then one of type T.
template <class R, std::size_t before, class T = void>
consteval bool initialisable() {
  return []<std::size_t... I>(std::index_sequence<I...>) {
    return requires { R{(void(I), Convertible<>{})..., Convertible<T>{}}; };
  }(std::make_index_sequence<before>());
}

template <class R>
consteval std::size_t member_count() {
  return []<std::size_t... P>(std::index_sequence<P...>) {
    return (std::size_t{initialisable<R, P>()} + ...);
  }(std::make_index_sequence<32>());
}

// The member, made present when it is a std::optional.
template <auto Member>
auto& present(void* record) {
  auto& member = static_cast<typename member_pointer<decltype(Member)>::record*>(record)->*Member;
  if constexpr (optional_value<std::remove_reference_t<decltype(member)>>::is_optional) {
    return member.emplace();
  } else {
    return member;
  }
}

}  // namespace detail

// The line of a record's table for `Member`; use WV_FIELD, which takes the
// key from the member's name.
template <auto Member>
consteval Field field(std::string_view key, Need need = Need::Optional) {
  using R = typename detail::member_pointer<decltype(Member)>::record;
  using M = typename detail::member_pointer<decltype(Member)>::type;
  using T = typename detail::optional_value<M>::type;
  Field f;
  f.key = key;
  f.signature = key_signature(key);
  f.need = need;
  f.nullable = detail::optional_value<M>::is_optional;
  f.record_type = &detail::record_type_tag<R>;
  f.members = detail::member_count<R>();
  f.fits = []<std::size_t... P>(std::index_sequence<P...>) {
    return ((std::uint32_t{detail::initialisable<R, P, M>()} << P) | ...);
  }(std::make_index_sequence<32>());
  if constexpr (requires(const JsonToken& v, T& out) { decode_value(v, out); }) {
    f.decode = [](const JsonToken& v, void* record) { return decode_value(v, detail::present<Member>(record)); };
  } else if constexpr (std::is_enum_v<T>) {
    f.shape = Field::Shape::Word;
    f.words = &kWordSetOf<T>;
    f.store_word = [](void* record, std::size_t word) { detail::present<Member>(record) = static_cast<T>(word); };
  } else if constexpr (detail::is_vector<T>) {
    static_assert(!detail::optional_value<M>::is_optional, "a list is never null");
    f.shape = Field::Shape::List;
    f.nested = &kTable<typename T::value_type>;
    f.open = [](void* record) -> void* { return &(static_cast<R*>(record)->*Member).emplace_back(); };
    f.drop_last = [](void* record) { (static_cast<R*>(record)->*Member).pop_back(); };
  } else {
    static_assert(std::is_class_v<T>, "no rule decodes a member of this type");
    f.shape = Field::Shape::Record;
    f.nested = &kTable<T>;
    f.open = [](void* record) -> void* { return &detail::present<Member>(record); };
  }
  if (f.nested != nullptr && f.nested->fields.empty()) throw "a nested record without a table";
  return f;
}

// The key is spelled once, as the member's name, so the two cannot differ.
#define WV_FIELD(Record, member, ...) ::wv::field<&Record::member>(#member __VA_OPT__(, ) __VA_ARGS__)

// The table of record R, from its lines. A throw in a consteval function is a
// compile error, never a run-time one: the build refuses a line of another
// record, a key given twice, a member without a line, and a line whose
// member's type is not that of the member at its position.
template <class R>
consteval RecordTable table(std::span<const Field> fields, RecordForms forms) {
  // The reader marks the keys it has seen in one 32-bit word.
  if (fields.size() > 32) throw "more fields than the reader can track";
  for (std::size_t i = 0; i < fields.size(); ++i) {
    const Field& f = fields[i];
    if (f.record_type != &detail::record_type_tag<R>) throw "a field of another record in this table";
    if (f.members != fields.size()) throw "a member without a line, or a line too many";
    if (!(f.fits >> i & 1)) throw "a line out of the members' order";
    for (std::size_t j = 0; j < i; ++j) {
      if (fields[j].key == f.key) throw "a key given twice";
    }
  }
  return RecordTable{fields, forms};
}

}  // namespace wv
