#pragma once
// The process environment.

#include <optional>
#include <string_view>

#include "platform/text.h"

namespace wv {

// The variable's value, or nothing when it is not set. A variable set to the
// empty string is set. Names are ASCII; Windows compares them without regard
// to case.
std::optional<NativeString> get_env(std::string_view name);

}  // namespace wv
