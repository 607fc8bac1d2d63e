#include "platform/console.h"

namespace wv {

// Windows has no SIGPIPE: a write to a closed pipe fails on its own.
void ignore_broken_pipe_signal() {}

}  // namespace wv
