#pragma once
// The user's request to stop: one line (or the end) of standard input, seen by
// a watcher thread and handed to the main loop through a shared flag.

#include <atomic>
#include <memory>

namespace wv {

// Shared by the main thread and the watcher; only the watcher writes it, once.
struct StopFlag {
  std::atomic<bool> requested{false};
};

inline constexpr const char* kWatcherThreadName = "stdin-quit";

// Starts the detached `stdin-quit` thread, which blocks until standard input
// yields a line or ends and then sets `flag->requested`. False if the thread
// could not be created; the reference passed in is then released.
bool start_stdin_watcher(std::shared_ptr<StopFlag> flag);

}  // namespace wv
