#pragma once
// Conversions between the platform's native strings (UTF-16 on Windows, bytes
// on POSIX) and UTF-8 text.

#include <filesystem>
#include <string>
#include <string_view>

namespace wv {

using NativeString = std::filesystem::path::string_type;

// Native string as UTF-8; whatever has no text form (an unpaired surrogate,
// bytes that are not UTF-8) becomes U+FFFD.
std::string native_to_utf8_lossy(const NativeString& native);
inline std::string path_to_utf8_lossy(const std::filesystem::path& p) { return native_to_utf8_lossy(p.native()); }

// UTF-8 text as a native string; invalid sequences become U+FFFD on Windows
// and pass through unchanged on POSIX, where native strings are bytes.
NativeString native_from_utf8(std::string_view utf8);

}  // namespace wv
