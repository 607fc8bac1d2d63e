#pragma once
// Reading one published file's text straight into its record, in one pass:
// the JSON library's events are matched against the record's table as they
// come, and no generic value is ever built. The first broken rule stops the
// reading.
//
// The common reading rules hold throughout: exactly one JSON value with only
// spaces, tabs, carriage returns and line feeds around it, no byte-order mark,
// valid UTF-8 (the library's strict parse refuses anything else, in strings,
// keys and between tokens alike), and arrays and objects nested at most
// kMaxJsonDepth levels.

#include <string_view>

#include "datadir/decode_error.h"
#include "datadir/json_rules.h"

namespace wv {

// Whether the depth limit also holds inside the values of unknown keys, which
// are read only to be skipped.
enum class SkippedNesting { Limited, Unlimited };

// Decodes `text` into `record`, which holds the defaults, by `table`.
std::expected<void, DecodeError> read_json_record(std::string_view text, const RecordTable& table, void* record,
                                                  SkippedNesting skipped);

// The same, typed. On failure `record` holds whatever had been decoded.
template <class R>
std::expected<void, DecodeError> read_json_into(std::string_view text, const Table<R>& table, R& record,
                                                SkippedNesting skipped) {
  return read_json_record(text, table.erased, &record, skipped);
}

template <class R>
Decoded<R> read_json(std::string_view text, const Table<R>& table, SkippedNesting skipped) {
  R record{};
  if (auto done = read_json_into(text, table, record, skipped); !done) return std::unexpected(std::move(done).error());
  return record;
}

// The common reading rules alone, for a document of any shape.
std::expected<void, DecodeError> check_json(std::string_view text);

}  // namespace wv
