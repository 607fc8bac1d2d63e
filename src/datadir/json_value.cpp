#include "datadir/json_value.h"

#include <nlohmann/json.hpp>

#include <optional>
#include <utility>

#include "platform/utf8.h"

namespace wv {

bool operator==(const JsonValue& a, const JsonValue& b) { return a.data_ == b.data_; }

namespace detail {

// Turns nlohmann's SAX events into a JsonValue, keeping only what the schema
// asks for. Containers under construction live on a heap stack, never on the
// call stack; a value being thrown away is tracked by its nesting count alone.
class JsonTreeBuilder {
 public:
  using json = nlohmann::json;

  JsonTreeBuilder(const KeepSchema* keep, SkippedNesting skipped) : root_schema_(keep), skipped_(skipped) {}

  bool null() { return scalar(JsonValue::Data(std::in_place_type<std::monostate>)); }
  bool boolean(bool b) { return scalar(JsonValue::Data(std::in_place_type<bool>, b)); }
  bool number_integer(json::number_integer_t n) {
    return scalar(JsonValue::Data(std::in_place_type<std::int64_t>, n));
  }
  bool number_unsigned(json::number_unsigned_t n) {
    return scalar(JsonValue::Data(std::in_place_type<std::uint64_t>, n));
  }
  bool number_float(json::number_float_t x, const json::string_t&) {
    return scalar(JsonValue::Data(std::in_place_type<double>, x));
  }
  bool string(json::string_t& s) {
    return scalar(JsonValue::Data(std::in_place_type<std::string>, std::move(s)));
  }
  bool binary(json::binary_t&) {
    // JSON text has no binary values; nlohmann only reports them for its binary formats.
    error_ = "a binary value";
    return false;
  }

  bool start_object(std::size_t) { return open(JsonValue::Data(std::in_place_type<JsonValue::Object>)); }
  bool end_object() { return close(); }
  bool start_array(std::size_t) { return open(JsonValue::Data(std::in_place_type<JsonValue::Array>)); }
  bool end_array() { return close(); }

  bool key(json::string_t& k) {
    if (skip_depth_ > 0) return true;
    Frame& top = frames_.back();
    if (top.schema == nullptr) {
      top.key = std::move(k);
      next_schema_ = nullptr;
      return true;
    }
    for (const KeepSchema::Member& m : top.schema->members) {
      if (m.key == k) {
        top.key = std::move(k);
        next_schema_ = m.value;
        return true;
      }
    }
    skip_next_ = true;
    return true;
  }

  bool parse_error(std::size_t position, const std::string&, const nlohmann::detail::exception& e) {
    error_ = "not well-formed JSON at byte " + std::to_string(position) + " (" + e.what() + ")";
    return false;
  }

  std::optional<JsonValue>& root() { return root_; }
  const std::string& error() const { return error_; }

 private:
  struct Frame {
    JsonValue value;
    const KeepSchema* schema;
    std::string key;  // of the member whose value comes next, in an object
  };

  // True when the value now starting, or the one around it, is thrown away.
  bool skipping() const { return skip_depth_ > 0 || skip_next_; }

  bool scalar(JsonValue::Data data) {
    if (skip_depth_ > 0) return true;
    if (skip_next_) {
      skip_next_ = false;
      return true;
    }
    attach(JsonValue(std::move(data)));
    return true;
  }

  bool open(JsonValue::Data container) {
    if (skipping()) {
      skip_next_ = false;
      ++skip_depth_;
      if (skipped_ == SkippedNesting::Limited && frames_.size() + skip_depth_ > kMaxJsonDepth) return too_deep();
      return true;
    }
    if (frames_.size() + 1 > kMaxJsonDepth) return too_deep();
    const KeepSchema* schema = schema_of_next_value();
    frames_.push_back(Frame{JsonValue(std::move(container)), schema, {}});
    return true;
  }

  bool close() {
    if (skip_depth_ > 0) {
      --skip_depth_;
      return true;
    }
    JsonValue done = std::move(frames_.back().value);
    frames_.pop_back();
    attach(std::move(done));
    return true;
  }

  const KeepSchema* schema_of_next_value() const {
    if (frames_.empty()) return root_schema_;
    const Frame& top = frames_.back();
    if (top.value.is_object()) return next_schema_;
    if (top.schema == nullptr) return nullptr;
    std::size_t position = top.value.items().size();
    return position < top.schema->items.size() ? top.schema->items[position] : top.schema->other_items;
  }

  void attach(JsonValue v) {
    if (frames_.empty()) {
      root_ = std::move(v);
      return;
    }
    Frame& top = frames_.back();
    if (auto* object = std::get_if<JsonValue::Object>(&top.value.data_)) {
      object->push_back(JsonMember{std::move(top.key), std::move(v)});
    } else {
      std::get<JsonValue::Array>(top.value.data_).push_back(std::move(v));
    }
  }

  bool too_deep() {
    error_ = "arrays and objects nested deeper than " + std::to_string(kMaxJsonDepth) + " levels";
    return false;
  }

  const KeepSchema* root_schema_;
  SkippedNesting skipped_;
  std::vector<Frame> frames_;
  const KeepSchema* next_schema_ = nullptr;  // of the member whose key was just read
  bool skip_next_ = false;                   // the next value belongs to a key not kept
  std::uint64_t skip_depth_ = 0;             // containers open inside a value not kept
  std::optional<JsonValue> root_;
  std::string error_;
};

}  // namespace detail

Decoded<JsonValue> parse_json(std::string_view text, const KeepSchema* keep, SkippedNesting skipped) {
  // nlohmann skips a leading byte-order mark on its own; here it is an error.
  if (text.starts_with("\xEF\xBB\xBF")) return decode_failure("a byte-order mark before the value");
  if (!is_valid_utf8(text)) return decode_failure("not valid UTF-8");
  // nlohmann takes a NUL byte for the end of the input, which would let
  // anything after one through. A raw NUL is never valid JSON (not even
  // inside a string), so refusing it outright changes nothing else.
  if (text.find('\0') != std::string_view::npos) return decode_failure("a NUL byte");
  detail::JsonTreeBuilder builder(keep, skipped);
  // Strict: nothing but whitespace may follow the value. The builder's
  // parse_error returns false, so nlohmann reports failures and never throws.
  bool ok = nlohmann::json::sax_parse(text, &builder, nlohmann::json::input_format_t::json, /*strict=*/true,
                                      /*ignore_comments=*/false);
  if (!ok || !builder.root()) {
    return decode_failure(builder.error().empty() ? std::string("not well-formed JSON") : builder.error());
  }
  return std::move(*builder.root());
}

}  // namespace wv
