// decode_status on arbitrary bytes: never crashes, is deterministic, and only
// ever accepts well-formed JSON, and that only in valid UTF-8: files are not
// checked for UTF-8 before they are decoded.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "datadir/device_status.h"
#include "fuzz/fuzz_check.h"
#include "platform/text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  auto first = wv::decode_status(text);
  auto second = wv::decode_status(text);
  wv::fuzz::check(first.has_value() == second.has_value(), "decoding is deterministic");
  if (first) {
    wv::fuzz::check(*first == *second, "decoding gives the same record twice");
    wv::fuzz::check_well_formed(text);
    wv::fuzz::check(wv::is_valid_utf8(text), "an accepted file is valid UTF-8");
  }
  return 0;
}
