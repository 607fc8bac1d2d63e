#pragma once
// Reading one published file's text straight into its record, in one pass:
// the JSON library's events are matched against the record's table as they
// come, and no generic value is ever built. The first broken rule stops the
// reading.
//
// The common reading rules hold throughout: exactly one JSON value with only
// spaces, tabs, carriage returns and line feeds around it, no byte-order mark,
// valid UTF-8 (the library's strict parse refuses anything else, in strings,
// keys and between tokens alike; undocumented, so the tests pin it for every
// kind of ill-formed sequence), and arrays and objects nested at most
// kMaxJsonDepth levels.

#include <cstddef>
#include <string_view>

#include "datadir/decode_error.h"
#include "datadir/json_rules.h"

namespace wv {

// Whether the depth limit also holds inside the values of unknown keys, which
// are read only to be skipped.
enum class SkippedNesting { Limited, Unlimited };

struct ReadLimits {
  // Whether the depth limit also holds inside the values of unknown keys.
  SkippedNesting skipped = SkippedNesting::Limited;
  // How many elements of each list are kept; the others are decoded, so the
  // file is valid or invalid as a whole, and then dropped.
  std::size_t kept_elements = static_cast<std::size_t>(-1);
};

// Decodes `text` into `record`, which holds the defaults, by `table`.
std::expected<void, DecodeError> read_json_record(std::string_view text, const RecordTable& table, void* record,
                                                  ReadLimits limits);

// The same, by R's table. On failure `record` holds whatever had been decoded.
template <class R>
std::expected<void, DecodeError> read_json_into(std::string_view text, R& record, ReadLimits limits) {
  return read_json_record(text, kTable<R>, &record, limits);
}

template <class R>
Decoded<R> read_json(std::string_view text, ReadLimits limits) {
  R record{};
  if (auto done = read_json_into(text, record, limits); !done) return std::unexpected(std::move(done).error());
  return record;
}

}  // namespace wv
