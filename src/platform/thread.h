#pragma once
// Detached, named threads.

#include <functional>
#include <string_view>

namespace wv {

// Starts `body` on a new detached thread named `name` (at most 15 ASCII
// characters, the POSIX limit). Nothing keeps a handle to it. False if the
// thread could not be created, in which case `body` never runs.
bool start_detached_thread(std::string_view name, std::function<void()> body);

}  // namespace wv
