#include "platform/clock.h"

#include <thread>

namespace wv {

// libstdc++ sleeps by nanosleep(), resumed after an interrupting signal.
void sleep_for(Duration d) { std::this_thread::sleep_for(d.to_chrono()); }

}  // namespace wv
