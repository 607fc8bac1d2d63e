#include "platform/console.h"

#include <csignal>

namespace wv {

// A terminal's window is the terminal's, and outlives us.
void hold_own_window_open(std::string_view) {}

// A write to a pipe nobody reads raises SIGPIPE, which ends the process unless
// ignored; ignored, the write fails with EPIPE (POSIX.1-2017, XSH write()).
void ignore_broken_pipe_signal() { ::signal(SIGPIPE, SIG_IGN); }

}  // namespace wv
