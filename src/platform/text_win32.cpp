#include "platform/text.h"

#include "platform/utf8.h"

namespace wv {

std::string native_to_utf8_lossy(const NativeString& native) {
  std::string out;
  out.reserve(native.size());
  for (std::size_t i = 0; i < native.size(); ++i) {
    char32_t unit = static_cast<char16_t>(native[i]);
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < native.size()) {
      char32_t low = static_cast<char16_t>(native[i + 1]);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        append_utf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
        ++i;
        continue;
      }
    }
    if (unit >= 0xD800 && unit <= 0xDFFF) unit = kReplacementChar;
    append_utf8(out, unit);
  }
  return out;
}

NativeString native_from_utf8(std::string_view utf8) {
  NativeString out;
  out.reserve(utf8.size());
  for_each_scalar(utf8, [&](char32_t c) {
    if (c >= 0x10000) {
      c -= 0x10000;
      out.push_back(static_cast<wchar_t>(0xD800 + (c >> 10)));
      out.push_back(static_cast<wchar_t>(0xDC00 + (c & 0x3FF)));
    } else {
      out.push_back(static_cast<wchar_t>(c));
    }
  });
  return out;
}

}  // namespace wv
