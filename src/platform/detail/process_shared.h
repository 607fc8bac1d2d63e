#pragma once
// What both platforms' child processes share: the environment a child starts
// with. Internal to the platform layer.

#include <string_view>
#include <vector>

#include "platform/process.h"

namespace wv::detail {

using NativeStringView = std::basic_string_view<NativeString::value_type>;

// The calling process's environment: its "NAME=value" entries, in order.
std::vector<NativeString> own_environment();

// Below, at or above 0 as name `a` sorts before `b`, is `b`, or sorts after it.
using NameOrder = int (*)(NativeStringView a, NativeStringView b);

// `entries` with each change applied in turn: the entries of its name go, and
// it is added last unless its value is nothing. With `sort`, stably sorted.
std::vector<NativeString> merge_environment(std::vector<NativeString> entries,
                                            const decltype(SpawnRequest::env)& changes, NameOrder order, bool sort);

}  // namespace wv::detail
