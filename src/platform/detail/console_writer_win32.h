#pragma once
// Windows only, internal to the platform layer: the one way text reaches a
// console. Each call is written whole under one lock for the process, so text
// copied to the console from a child's pipe lands between the host's own
// writes, never inside one of them.

#include <windows.h>

#include <string_view>

namespace wv::detail {

// False when the console refuses a part of it (it may be gone).
bool write_console_whole(HANDLE console, std::u16string_view text);

}  // namespace wv::detail
