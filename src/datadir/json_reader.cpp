#include "datadir/json_reader.h"

#include <nlohmann/json.hpp>

#include <array>
#include <string>

namespace wv {

namespace {

using json = nlohmann::json;

// Records, lists and word objects open at once. The tables nest three deep at
// most; values that are skipped are counted, never stacked.
constexpr std::size_t kMaxOpenRecords = 8;

std::string_view shape_rule(RecordForms forms) {
  return forms == RecordForms::ObjectOrArray ? "must be an object or an array" : "must be an object";
}

// nlohmann's SAX events, matched against the tables as they come. The first
// broken rule returns false, which ends the parse at once; the reason is kept
// for the caller.
class RecordReader {
 public:
  RecordReader(const RecordTable& root, void* record, ReadLimits limits)
      : root_(root), root_record_(record), skipped_(limits.skipped), kept_elements_(limits.kept_elements) {}

  bool null() {
    JsonToken v;
    return value(v);
  }
  bool boolean(bool b) {
    JsonToken v;
    v.kind = JsonKind::Bool;
    v.boolean = b;
    return value(v);
  }
  // Only integers written with a minus sign come here; the others come to
  // number_unsigned, and integers too wide for 64 bits to number_float
  // (https://json.nlohmann.me/features/parsing/sax_interface/ and, for the
  // wide ones, "Limits" in https://json.nlohmann.me/api/basic_json/number_unsigned_t/).
  bool number_integer(json::number_integer_t n) {
    JsonToken v;
    v.kind = JsonKind::Negative;
    v.negative_value = n;
    return value(v);
  }
  bool number_unsigned(json::number_unsigned_t n) {
    JsonToken v;
    v.kind = JsonKind::Unsigned;
    v.unsigned_value = n;
    return value(v);
  }
  bool number_float(json::number_float_t x, const json::string_t&) {
    JsonToken v;
    v.kind = JsonKind::Float;
    v.float_value = x;
    return value(v);
  }
  bool string(json::string_t& s) {
    JsonToken v;
    v.kind = JsonKind::String;
    v.text = &s;
    return value(v);
  }
  bool binary(json::binary_t&) {
    // JSON text has no binary values; nlohmann only reports them for its binary formats.
    return fail_document("a binary value");
  }
  bool start_object(std::size_t) { return open(JsonKind::Object); }
  bool start_array(std::size_t) { return open(JsonKind::Array); }
  bool end_object() { return close(); }
  bool end_array() { return close(); }
  bool key(json::string_t& k);

  bool parse_error(std::size_t position, const std::string&, const json::exception&) {
    return fail_document("not well-formed JSON at byte " + std::to_string(position));
  }

  DecodeError take_error() {
    if (error_.rule.empty()) error_.rule = "not well-formed JSON";
    return std::move(error_);
  }

 private:
  // Where a word written as an object has got to.
  enum class WordStage : std::uint8_t {
    Key,          // {  — its one key, the word, comes next
    Value,        // {"word":  — null or {} comes next
    InnerObject,  // {"word": {  — only its end may come
    End,          // {"word": null  — only the end of the object may come
  };

  struct Frame {
    enum class Kind : std::uint8_t { Record, List, Word } kind = Kind::Record;
    bool array_form = false;
    WordStage stage = WordStage::Key;
    // Record: its table; List: its elements' table.
    const RecordTable* table = nullptr;
    // Record: the record; List and Word: the record holding the field.
    void* target = nullptr;
    // Record: the field whose value comes next; List and Word: the field
    // they are the value of.
    const Field* field = nullptr;
    std::uint32_t seen = 0;      // Record: one bit per field
    std::uint32_t next_key = 0;  // Record: the field after the last one whose key was found
    std::uint32_t position = 0;  // Record in array form: values so far; List: elements so far; Word: the word's
  };

  // ---- Values ----

  bool value(JsonToken& v) {
    if (skip_depth_ > 0) return true;
    if (skip_next_) {
      skip_next_ = false;
      return true;
    }
    if (top_ == 0) return fail_document(std::string(shape_rule(root_.forms)));
    Frame& f = frames_[top_ - 1];
    switch (f.kind) {
      case Frame::Kind::Record:
        if (!next_field(f)) return false;
        return put(f, v);
      case Frame::Kind::List: return fail_value(std::string(shape_rule(f.table->forms)));
      case Frame::Kind::Word: return word_value(f, v);
    }
    return false;
  }

  // nlohmann's parser sets no depth limit of its own and keeps its open
  // arrays and objects on the heap rather than recursing ("Nesting depth" in
  // https://json.nlohmann.me/features/parsing/untrusted_input/), so the limit
  // is counted here, and a value skipped without one costs a counter.
  bool open(JsonKind kind) {
    ++depth_;
    if (skip_depth_ > 0 || skip_next_) {
      skip_next_ = false;
      ++skip_depth_;
      if (depth_ > kMaxJsonDepth && skipped_ == SkippedNesting::Limited) return too_deep();
      return true;
    }
    if (depth_ > kMaxJsonDepth) return too_deep();
    if (top_ == 0) {
      if (kind == JsonKind::Array && root_.forms != RecordForms::ObjectOrArray) {
        return fail_document(std::string(shape_rule(root_.forms)));
      }
      return push_record(root_, root_record_, kind == JsonKind::Array);
    }
    Frame& f = frames_[top_ - 1];
    JsonToken v;
    v.kind = kind;
    switch (f.kind) {
      case Frame::Kind::Record:
        if (!next_field(f)) return false;
        return put(f, v);
      case Frame::Kind::List:
        if (kind == JsonKind::Array && f.table->forms != RecordForms::ObjectOrArray) {
          return fail_value(std::string(shape_rule(f.table->forms)));
        }
        return push_record(*f.table, f.field->open(f.target), kind == JsonKind::Array);
      case Frame::Kind::Word: return word_value(f, v);
    }
    return false;
  }

  bool close() {
    --depth_;
    if (skip_depth_ > 0) {
      --skip_depth_;
      return true;
    }
    Frame& f = frames_[top_ - 1];
    switch (f.kind) {
      case Frame::Kind::Record:
        if (!check_required(f)) return false;
        --top_;
        if (top_ > 0 && frames_[top_ - 1].kind == Frame::Kind::List) {
          Frame& list = frames_[top_ - 1];
          if (++list.position > kept_elements_) list.field->drop_last(list.target);
        }
        return true;
      case Frame::Kind::List: --top_; return true;
      case Frame::Kind::Word: return word_close(f);
    }
    return false;
  }

  // In a record, picks the field that the coming value belongs to.
  bool next_field(Frame& f) {
    if (!f.array_form) return true;  // chosen by its key
    const std::span<const Field> fields = f.table->fields;
    if (f.position >= fields.size()) {
      return fail_record("an array of more values than the record's " + std::to_string(fields.size()) + " fields");
    }
    f.seen |= std::uint32_t{1} << f.position;
    f.field = &fields[f.position++];
    return true;
  }

  // Decodes a value, or the start of one, into the field chosen for it.
  bool put(Frame& f, const JsonToken& v) {
    const Field& field = *f.field;
    void* target = f.target;
    if (v.kind == JsonKind::Null && field.nullable) return true;
    switch (field.shape) {
      case Field::Shape::Scalar:
        if (auto done = field.decode(v, target); !done) return fail_value(std::move(done).error());
        return true;
      case Field::Shape::Word:
        if (v.kind == JsonKind::String) {
          Decoded<std::size_t> position = word_position(*v.text, *field.words);
          if (!position) return fail_value(std::move(position).error());
          field.store_word(target, *position);
          return true;
        }
        if (v.kind == JsonKind::Object) return push_word(field, target);
        return fail_value("must be a word (a string, or an object with one key)");
      case Field::Shape::Record:
        if (v.kind == JsonKind::Object) return push_record(*field.nested, field.open(target), false);
        if (v.kind == JsonKind::Array && field.nested->forms == RecordForms::ObjectOrArray) {
          return push_record(*field.nested, field.open(target), true);
        }
        return fail_value(std::string(shape_rule(field.nested->forms)));
      case Field::Shape::List:
        if (v.kind != JsonKind::Array) return fail_value("must be an array");
        if (!room()) return false;
        frames_[top_++] = Frame{.kind = Frame::Kind::List, .table = field.nested, .target = target, .field = &field};
        return true;
    }
    return false;
  }

  bool push_record(const RecordTable& table, void* record, bool array_form) {
    if (!room()) return false;
    Frame f;
    f.kind = Frame::Kind::Record;
    f.array_form = array_form;
    f.table = &table;
    f.target = record;
    frames_[top_++] = f;
    return true;
  }

  bool push_word(const Field& field, void* record) {
    if (!room()) return false;
    frames_[top_++] = Frame{.kind = Frame::Kind::Word, .target = record, .field = &field};
    return true;
  }

  bool room() {
    if (top_ < frames_.size()) return true;
    return fail_document("records nested deeper than the reader holds");
  }

  bool check_required(const Frame& f) {
    const std::span<const Field> fields = f.table->fields;
    for (std::size_t i = 0; i < fields.size(); ++i) {
      if (fields[i].need == Need::Required && !(f.seen & (std::uint32_t{1} << i))) return missing(fields[i]);
    }
    return true;
  }

  bool missing(const Field& field) { return fail_record("required, but missing", field.key); }

  // ---- Words written as objects ----

  bool word_value(Frame& f, JsonToken& v) {
    if (f.stage == WordStage::Value && v.kind == JsonKind::Null) {
      f.stage = WordStage::End;
      return true;
    }
    if (f.stage == WordStage::Value && v.kind == JsonKind::Object) {
      f.stage = WordStage::InnerObject;
      return true;
    }
    return fail_value("the key of a word written as an object must hold null or {}");
  }

  bool word_key(Frame& f, std::string_view word) {
    if (f.stage != WordStage::Key) {
      return fail_value(f.stage == WordStage::End ? "a word written as an object must have exactly one key"
                                                  : "the key of a word written as an object must hold null or {}");
    }
    Decoded<std::size_t> position = word_position(word, *f.field->words);
    if (!position) return fail_value(std::move(position).error());
    f.position = static_cast<std::uint32_t>(*position);
    f.stage = WordStage::Value;
    return true;
  }

  bool word_close(Frame& f) {
    switch (f.stage) {
      case WordStage::InnerObject: f.stage = WordStage::End; return true;
      case WordStage::End:
        f.field->store_word(f.target, f.position);
        --top_;
        return true;
      case WordStage::Key:
      case WordStage::Value: break;
    }
    return fail_value("a word written as an object must have exactly one key, not 0");
  }

  // ---- Failures ----

  // Where the value now being decoded sits, from the top-level value: each
  // record adds the key of its field, each list the element's [position].
  std::string path(std::size_t frames, bool with_top_field) const {
    std::string where;
    for (std::size_t i = 0; i < frames; ++i) {
      const Frame& f = frames_[i];
      bool is_top = i + 1 == frames;
      if (f.kind == Frame::Kind::List) {
        where += '[';
        where += std::to_string(f.position);
        where += ']';
      } else if (f.kind == Frame::Kind::Record && f.field != nullptr && (!is_top || with_top_field)) {
        if (!where.empty()) where += '.';
        where += f.field->key;
      }
    }
    return where;
  }

  // The rules of values (decode_value, word_position) leave `where` empty.
  bool fail_value(DecodeError error) {
    error.where = path(top_, true);
    error_ = std::move(error);
    return false;
  }
  bool fail_value(std::string rule) { return fail_value(DecodeError{{}, std::move(rule)}); }

  // A rule of the record now open, about one of its keys or about it whole.
  bool fail_record(std::string rule, std::string_view key = {}) {
    DecodeError error{path(top_, false), std::move(rule)};
    if (!key.empty()) {
      if (!error.where.empty()) error.where += '.';
      error.where += key;
    }
    error_ = std::move(error);
    return false;
  }

  bool fail_document(std::string rule) {
    error_ = DecodeError{{}, std::move(rule)};
    return false;
  }

  bool too_deep() {
    return fail_document("arrays and objects nested deeper than " + std::to_string(kMaxJsonDepth) + " levels");
  }

  const RecordTable& root_;
  void* root_record_;
  SkippedNesting skipped_;
  std::size_t kept_elements_;
  std::array<Frame, kMaxOpenRecords> frames_;
  std::size_t top_ = 0;           // frames in use
  std::uint64_t depth_ = 0;       // arrays and objects open, skipped ones included
  std::uint64_t skip_depth_ = 0;  // arrays and objects open inside a value being skipped
  bool skip_next_ = false;        // the coming value belongs to an unknown key
  DecodeError error_;
};

bool same_key(const Field& field, std::uint32_t signature, std::string_view key) {
  return field.signature == signature && field.key == key;
}

bool RecordReader::key(json::string_t& k) {
  if (skip_depth_ > 0) return true;
  Frame& f = frames_[top_ - 1];
  if (f.kind == Frame::Kind::Word) return word_key(f, k);
  // Agents write keys in the table's order, so the field after the last one
  // found is tried first.
  const std::span<const Field> fields = f.table->fields;
  const std::uint32_t signature = key_signature(k);
  std::size_t index = f.next_key;
  if (index >= fields.size() || !same_key(fields[index], signature, k)) {
    index = 0;
    while (index < fields.size() && !same_key(fields[index], signature, k)) ++index;
  }
  if (index == fields.size()) {
    skip_next_ = true;
    return true;
  }
  const std::uint32_t bit = std::uint32_t{1} << index;
  if (f.seen & bit) return fail_record("given twice in one object", fields[index].key);
  f.seen |= bit;
  f.field = &fields[index];
  f.next_key = static_cast<std::uint32_t>(index + 1);
  return true;
}

}  // namespace

std::expected<void, DecodeError> read_json_record(std::string_view text, const RecordTable& table, void* record,
                                                  ReadLimits limits) {
  // nlohmann skips a leading byte-order mark on its own
  // (https://json.nlohmann.me/api/basic_json/parse/); here it is an error.
  if (text.starts_with("\xEF\xBB\xBF")) return decode_failure("a byte-order mark before the value");
  // nlohmann takes a NUL byte for the end of the input, which would let
  // anything after one through; its documentation does not say so, and the
  // tests pin it. A raw NUL is never valid JSON (not even inside a string),
  // so refusing it outright changes nothing else.
  if (text.find('\0') != std::string_view::npos) return decode_failure("a NUL byte");
  // The lexer keeps the raw text of the token it is reading, for its error
  // messages, and a run of white space, structure or literals is one token to
  // it: an error after a long run costs some forty times the run's size. The
  // cap on a published file's size bounds that (see json_file.h).
  RecordReader reader(table, record, limits);
  // Strict: nothing but white space may follow the value. Failures come to
  // the reader's parse_error, which returns false, so nothing is thrown
  // (https://json.nlohmann.me/api/basic_json/sax_parse/).
  if (!json::sax_parse(text.begin(), text.end(), &reader, json::input_format_t::json, /*strict=*/true)) {
    return std::unexpected(reader.take_error());
  }
  return {};
}

}  // namespace wv
