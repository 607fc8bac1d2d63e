#include "tools/agent-sim/publisher.h"

#include "platform/console.h"

namespace wv::sim {

int run_publisher(const std::filesystem::path&, const std::function<void()>& on_stdin_end) {
  wait_for_stdin_end();
  on_stdin_end();
  return 0;
}

}  // namespace wv::sim
