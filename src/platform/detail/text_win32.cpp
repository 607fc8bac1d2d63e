#include "platform/text.h"

#include "platform/detail/utf16.h"

namespace wv {

// wchar_t is a UTF-16 unit on Windows, so the two string types share a layout.
static_assert(sizeof(wchar_t) == sizeof(char16_t));

std::string native_to_utf8_lossy(const NativeString& native) {
  return utf8_from_utf16_lossy(std::u16string_view(reinterpret_cast<const char16_t*>(native.data()), native.size()));
}

NativeString native_from_utf8(std::string_view utf8) {
  std::u16string wide = utf16_from_utf8(utf8);
  return NativeString(reinterpret_cast<const wchar_t*>(wide.data()), wide.size());
}

}  // namespace wv
