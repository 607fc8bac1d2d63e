#pragma once
// The environment and command line, changed and listed as only the tests and
// the simulated agent need to.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/text.h"

namespace wv {

// Sets the variable, or removes it when `value` is nothing.
void set_env(std::string_view name, const std::optional<NativeString>& value);

// Every "NAME=value" entry of the environment, as UTF-8 (lossy).
std::vector<std::string> environment_entries();

// This process's command line split into arguments, program first, as UTF-8.
std::vector<std::string> command_line_arguments();

}  // namespace wv
