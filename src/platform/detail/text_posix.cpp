#include "platform/text.h"

#include "platform/utf8.h"

namespace wv {

std::string native_to_utf8_lossy(const NativeString& native) { return utf8_sanitize(native); }

NativeString native_from_utf8(std::string_view utf8) { return NativeString(utf8); }

}  // namespace wv
