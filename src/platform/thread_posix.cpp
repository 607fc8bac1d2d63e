#include "platform/thread.h"

#include <pthread.h>

#include <memory>
#include <string>
#include <thread>

namespace wv {
namespace {

void* run(void* arg) {
  std::unique_ptr<std::function<void()>> body(static_cast<std::function<void()>*>(arg));
  (*body)();
  return nullptr;
}

}  // namespace

bool start_detached_thread(std::string_view name, std::function<void()> body) {
  auto owned = std::make_unique<std::function<void()>>(std::move(body));
  pthread_t thread;
  if (pthread_create(&thread, nullptr, &run, owned.get()) != 0) return false;
  static_cast<void>(owned.release());  // the thread owns it now
  // A name is at most 16 bytes with its NUL, or the call fails
  // (glibc 2.12; pthread_setname_np(3)).
  pthread_setname_np(thread, std::string(name.substr(0, 15)).c_str());
  (void)pthread_detach(thread);
  return true;
}

// libstdc++ (12, <bits/this_thread_sleep.h>) sleeps by nanosleep(), resumed
// after an interrupting signal.
void sleep_for(Duration d) { std::this_thread::sleep_for(d.to_chrono()); }

}  // namespace wv
