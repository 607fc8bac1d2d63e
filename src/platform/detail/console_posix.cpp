#include "platform/console.h"

#include <csignal>

namespace wv {

bool console_belongs_to_this_process_alone() { return false; }

// A write to a pipe nobody reads raises SIGPIPE, which ends the process unless
// ignored; ignored, the write fails with EPIPE (POSIX.1-2017, XSH write()).
void ignore_broken_pipe_signal() { ::signal(SIGPIPE, SIG_IGN); }

}  // namespace wv
