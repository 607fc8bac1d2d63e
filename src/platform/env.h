#pragma once
// The process environment.

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/text.h"

namespace wv {

// The variable's value, or nothing when it is not set. A variable set to the
// empty string is set. Names are ASCII; Windows compares them without regard
// to case.
std::optional<NativeString> get_env(std::string_view name);

// The calling process's environment: its "NAME=value" entries, in order.
std::vector<NativeString> own_environment();

// Below, at or above 0 as variable name `a` sorts before `b`, is `b`, or sorts
// after it, as the system compares names: without regard to case on Windows,
// byte by byte on POSIX.
int compare_env_names(NativeStringView a, NativeStringView b);

// Changes to an environment, applied in turn: each sets its variable, or
// removes it where the value is nothing.
using EnvChanges = std::vector<std::pair<std::string, std::optional<NativeString>>>;

// `entries` with `changes` applied: the entries of a change's name go, and it
// is added last unless its value is nothing. On Windows the result is sorted
// by name, as a new process's environment block must be.
std::vector<NativeString> environment_with(std::vector<NativeString> entries, const EnvChanges& changes);

}  // namespace wv
