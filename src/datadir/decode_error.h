#pragma once
// Why a published file was not accepted. The loader discards these; they exist
// so that tests and anyone debugging an agent can see which rule a file broke.

#include <expected>
#include <string>
#include <string_view>

namespace wv {

struct DecodeError {
  // Where the offending value sits, as a path of keys and [positions] from the
  // top-level value ("devices[2].udid"); empty for the file as a whole.
  std::string where;
  // The rule that the value broke, in words.
  std::string rule;

  std::string message() const { return where.empty() ? rule : where + ": " + rule; }

  friend bool operator==(const DecodeError&, const DecodeError&) = default;
};

template <class T>
using Decoded = std::expected<T, DecodeError>;

inline std::unexpected<DecodeError> decode_failure(std::string rule) {
  return std::unexpected(DecodeError{{}, std::move(rule)});
}

// The error as seen from the enclosing value: `segment` (a key, or "[i]")
// goes in front of its path.
inline DecodeError inside(std::string_view segment, DecodeError error) {
  std::string where(segment);
  if (!error.where.empty()) {
    if (error.where.front() != '[') where += '.';
    where += error.where;
  }
  error.where = std::move(where);
  return error;
}

}  // namespace wv
