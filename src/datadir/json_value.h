#pragma once
// A generic JSON value that keeps what the published-file rules care about and
// a general-purpose DOM loses: object members in file order with repeated keys
// kept, and unsigned integers, negative integers and other numbers kept apart.
//
// Trees are only ever made by parse_json, which refuses to build one deeper
// than kMaxJsonDepth. Copying, comparing and destroying a value therefore
// recurse at most that deep, whatever the input was.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "datadir/decode_error.h"

namespace wv {

// Arrays and objects that are kept nest at most this deep, the top-level value
// counting as level 1.
inline constexpr std::size_t kMaxJsonDepth = 127;

struct JsonMember;

namespace detail {
class JsonTreeBuilder;
}

class JsonValue {
 public:
  enum class Kind : std::uint8_t {
    Null,
    Bool,
    Unsigned,  // an integer written without a sign
    Negative,  // an integer written with a minus sign, -0 included
    Float,     // a fraction, an exponent, or an integer too wide for 64 bits
    String,
    Array,
    Object,
  };

  JsonValue() = default;  // null

  Kind kind() const { return static_cast<Kind>(data_.index()); }
  bool is_null() const { return kind() == Kind::Null; }
  bool is_array() const { return kind() == Kind::Array; }
  bool is_object() const { return kind() == Kind::Object; }

  // Each accessor requires the matching kind.
  bool as_bool() const { return std::get<bool>(data_); }
  std::uint64_t as_unsigned() const { return std::get<std::uint64_t>(data_); }
  std::int64_t as_negative() const { return std::get<std::int64_t>(data_); }
  double as_float() const { return std::get<double>(data_); }
  const std::string& as_string() const { return std::get<std::string>(data_); }
  // Defined below JsonMember: some standard libraries need it complete.
  std::span<const JsonValue> items() const;
  std::span<const JsonMember> members() const;

  friend bool operator==(const JsonValue&, const JsonValue&);

 private:
  friend class detail::JsonTreeBuilder;
  using Array = std::vector<JsonValue>;
  using Object = std::vector<JsonMember>;
  // The alternatives stand in the order of Kind.
  using Data = std::variant<std::monostate, bool, std::uint64_t, std::int64_t, double, std::string, Array, Object>;

  explicit JsonValue(Data data) : data_(std::move(data)) {}

  Data data_;
};

struct JsonMember {
  std::string key;
  JsonValue value;

  friend bool operator==(const JsonMember&, const JsonMember&) = default;
};

inline std::span<const JsonValue> JsonValue::items() const { return std::get<Array>(data_); }
inline std::span<const JsonMember> JsonValue::members() const { return std::get<Object>(data_); }

// Which parts of a document to keep. A value kept under a schema is stored;
// within an object, only the members listed are stored and the values of all
// others are read and thrown away. A null schema keeps the whole value.
struct KeepSchema {
  struct Member {
    std::string_view key;
    const KeepSchema* value = nullptr;
  };
  std::span<const Member> members = {};
  // Schemas of an array's leading elements, then of all elements after those.
  std::span<const KeepSchema* const> items = {};
  const KeepSchema* other_items = nullptr;
};

// Whether the depth limit also holds inside values that are thrown away.
enum class SkippedNesting { Limited, Unlimited };

// Parses one whole document: a single JSON value with nothing around it but
// spaces, tabs, carriage returns and line feeds. The text must be valid UTF-8
// without a byte-order mark. Fails on malformed JSON anywhere (thrown-away
// values included) and on kept arrays or objects nested deeper than
// kMaxJsonDepth.
Decoded<JsonValue> parse_json(std::string_view text, const KeepSchema* keep = nullptr,
                              SkippedNesting skipped = SkippedNesting::Limited);

}  // namespace wv
