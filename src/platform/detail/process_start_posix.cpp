#include "platform/process_start.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace wv {

void prepare_process_at_start() {
  // An ignored SIGCHLD is the one disposition exec keeps that changes what
  // waitpid does; a handler a launcher set does not survive exec.
  struct sigaction dfl {};
  dfl.sa_handler = SIG_DFL;
  sigemptyset(&dfl.sa_mask);
  ::sigaction(SIGCHLD, &dfl, nullptr);

  for (int fd = 0; fd <= 2; ++fd) {
    if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    // Read-only whichever stream it stands in for: a write to it fails with
    // EBADF, as a write to the closed descriptor did, so a screen nobody can
    // see is still a failed write. Inheritable, as a standard stream is.
    int null = ::open("/dev/null", O_RDONLY);
    if (null < 0) continue;
    // Every lower descriptor is open by now, so the new one is `fd` itself.
    if (null != fd) {
      ::dup2(null, fd);
      ::close(null);
    }
  }
}

}  // namespace wv
