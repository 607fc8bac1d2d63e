#include "host/stop_watcher.h"

#include "platform/console.h"
#include "platform/thread.h"

namespace wv {

namespace {

void watch_stdin(const std::shared_ptr<StopFlag>& flag) {
  // What the line says does not matter, nor whether the read failed: any of
  // them is the request to stop.
  wait_for_stdin_line();
  flag->requested.store(true, std::memory_order_relaxed);
}

}  // namespace

bool start_stdin_watcher(std::shared_ptr<StopFlag> flag) {
  return start_detached_thread(kWatcherThreadName, [flag = std::move(flag)]() mutable {
    watch_stdin(flag);
    flag.reset();
  });
}

}  // namespace wv
