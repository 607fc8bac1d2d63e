#pragma once
// The process environment.

#include <optional>
#include <string>
#include <vector>
#include <string_view>

#include "platform/text.h"

namespace wv {

// The variable's value, or nothing when it is not set. A variable set to the
// empty string is set. Names are ASCII; Windows compares them without regard
// to case.
std::optional<NativeString> get_env(std::string_view name);

// Sets the variable, or removes it when `value` is nothing. For tests and
// tools; the host itself never changes its environment.
void set_env(std::string_view name, const std::optional<NativeString>& value);

}  // namespace wv

namespace wv {

// Every "NAME=value" entry of the environment, as UTF-8 (lossy).
std::vector<std::string> environment_entries();

// This process's command line split into arguments, program first, as UTF-8.
std::vector<std::string> command_line_arguments();

}  // namespace wv
