#pragma once
// What a thread does with the system: start another, detached and named, or
// sleep.

#include <functional>
#include <string_view>

#include "platform/clock.h"

namespace wv {

// Starts `body` on a new detached thread named `name` (at most 15 ASCII
// characters, the POSIX limit). Nothing keeps a handle to it. False if the
// thread could not be created, in which case `body` never runs.
bool start_detached_thread(std::string_view name, std::function<void()> body);

// Blocks the calling thread for at least `d`.
void sleep_for(Duration d);

}  // namespace wv
