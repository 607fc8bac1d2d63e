#pragma once
// Why a published file was not accepted. The loader discards these; they exist
// so that tests and anyone debugging an agent can see which rule a file broke.

#include <expected>
#include <string>

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

}  // namespace wv
