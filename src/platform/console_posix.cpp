#include "platform/console.h"

#include <csignal>

namespace wv {

void ignore_broken_pipe_signal() { ::signal(SIGPIPE, SIG_IGN); }

}  // namespace wv
