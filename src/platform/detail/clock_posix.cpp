#include "platform/clock.h"

#include <cerrno>
#include <ctime>

namespace wv {

void sleep_for(Duration d) {
  timespec request{};
  request.tv_sec = static_cast<time_t>(d.secs);
  request.tv_nsec = static_cast<long>(d.nanos);
  timespec remaining{};
  while (nanosleep(&request, &remaining) != 0 && errno == EINTR) request = remaining;
}

std::uint64_t now_unix_secs() {
  timespec now{};
  if (clock_gettime(CLOCK_REALTIME, &now) != 0 || now.tv_sec < 0) return 0;
  return static_cast<std::uint64_t>(now.tv_sec);
}

}  // namespace wv
