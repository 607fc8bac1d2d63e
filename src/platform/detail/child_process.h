#pragma once
// What both platforms' child processes share: the state the portable
// accessors read, and how a spawn hands its streams over. Internal to the
// platform layer.

#include <memory>
#include <optional>

#include "platform/detail/stream_io.h"
#include "platform/process.h"

namespace wv {

// Each platform derives its own, holding what it needs to wait for and end
// the process.
struct ChildProcess::Impl {
  virtual ~Impl() = default;
  long pid = -1;
  bool ended = false;  // reaped, or given up on: never waited for or signalled again
  std::optional<int> exit_code;
};

namespace detail {

// The parent's ends of a spawn, each closed when unused.
SpawnedProcess spawned(std::unique_ptr<ChildProcess::Impl> child, UniqueStream stdin_writer,
                       UniqueStream stdout_reader, UniqueStream stderr_reader);

}  // namespace detail
}  // namespace wv
