// decode_status on arbitrary bytes: never crashes, is deterministic, and only
// ever accepts well-formed JSON.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "datadir/device_status.h"
#include "fuzz/fuzz_check.h"
#include "platform/utf8.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  // The reader hands the decoder only valid UTF-8.
  if (!wv::is_valid_utf8(text)) return 0;
  auto first = wv::decode_status(text);
  auto second = wv::decode_status(text);
  wv::fuzz::check(first.has_value() == second.has_value(), "decoding is deterministic");
  if (first) {
    wv::fuzz::check(*first == *second, "decoding gives the same record twice");
    wv::fuzz::check_well_formed(text);
  }
  return 0;
}
