#include "platform/console.h"

#include <csignal>

namespace wv {

bool console_belongs_to_this_process_alone() { return false; }

void ignore_broken_pipe_signal() { ::signal(SIGPIPE, SIG_IGN); }

}  // namespace wv
