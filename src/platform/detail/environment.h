#pragma once
// The environment a child starts with, merged once for both platforms.
// Internal to the platform layer.

#include <string_view>
#include <vector>

#include "platform/process.h"
#include "platform/text.h"

namespace wv::detail {

using NativeStringView = std::basic_string_view<NativeString::value_type>;

// The calling process's environment: its "NAME=value" entries, in order.
std::vector<NativeString> environment_entries();

// How the platform orders variable names: below, at or above 0 as `a` sorts
// before `b`, is the same name, or sorts after it.
using NameOrder = int (*)(NativeStringView a, NativeStringView b);

// `entries` with each change applied in turn: every entry of that name goes,
// and the new one is added last unless its value is nothing. With `sort`, the
// result is ordered by name, entries of one name keeping their order.
std::vector<NativeString> merge_environment(std::vector<NativeString> entries, const decltype(SpawnRequest::env)& changes,
                                            NameOrder order, bool sort);

}  // namespace wv::detail
