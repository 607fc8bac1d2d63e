#pragma once
// What both platforms' child processes share: the state the portable
// accessors read, the environment a child starts with, and how a spawn hands
// its streams over. Internal to the platform layer.

#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/detail/stream_io.h"
#include "platform/process.h"

namespace wv {

// Each platform derives its own, which holds what it waits for the process by.
struct ChildProcess::Impl {
  virtual ~Impl() = default;
  long pid = -1;
  bool ended = false;  // reaped, or given up on: never waited for or signalled again
  std::optional<int> exit_code;
};

namespace detail {

using NativeStringView = std::basic_string_view<NativeString::value_type>;

// The calling process's environment: its "NAME=value" entries, in order.
std::vector<NativeString> environment_entries();

// Below, at or above 0 as name `a` sorts before `b`, is `b`, or sorts after it.
using NameOrder = int (*)(NativeStringView a, NativeStringView b);

// `entries` with each change applied in turn: the entries of its name go, and
// it is added last unless its value is nothing. With `sort`, stably sorted.
std::vector<NativeString> merge_environment(std::vector<NativeString> entries, const decltype(SpawnRequest::env)& changes,
                                            NameOrder order, bool sort);

// The parent's ends of a spawn, each closed when unused.
SpawnedProcess spawned(std::unique_ptr<ChildProcess::Impl> child, UniqueStream stdin_writer,
                       UniqueStream stdout_reader, UniqueStream stderr_reader);

}  // namespace detail

}  // namespace wv
