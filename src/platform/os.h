#pragma once
// Facts about the platform the program was built for. CMake defines
// WV_TARGET_WINDOWS for every target that links the platform.

#include <string_view>

namespace wv {

inline constexpr bool kIsWindows = WV_TARGET_WINDOWS != 0;
inline constexpr std::string_view kExeSuffix = kIsWindows ? ".exe" : "";

}  // namespace wv
