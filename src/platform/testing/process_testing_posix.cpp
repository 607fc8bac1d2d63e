#include "platform/testing/process_testing.h"

#include <csignal>
#include <cstdlib>
#include <dirent.h>
#include <unistd.h>

namespace wv {
namespace {

// Calls f(name) for each descriptor this process holds, the listing's own excepted.
template <class F>
bool for_each_open_fd(F&& f) {
  DIR* dir = ::opendir("/proc/self/fd");
  if (dir == nullptr) return false;
  int own = ::dirfd(dir);
  while (dirent* entry = ::readdir(dir)) {
    if (entry->d_name[0] == '.' || std::atoi(entry->d_name) == own) continue;
    f(entry->d_name);
  }
  ::closedir(dir);
  return true;
}

}  // namespace

bool interrupt_process_group(const ChildProcess& child) {
  if (child.id() <= 0) return false;
  return ::kill(-static_cast<pid_t>(child.id()), SIGINT) == 0;
}

std::optional<std::size_t> open_handle_count() {
  std::size_t count = 0;
  if (!for_each_open_fd([&](const char*) { ++count; })) return std::nullopt;
  return count;
}

std::vector<std::string> describe_open_handles() {
  std::vector<std::string> out;
  for_each_open_fd([&](const char* name) {
    std::string link = std::string("/proc/self/fd/") + name;
    char target[512] = {};
    ssize_t n = ::readlink(link.c_str(), target, sizeof target - 1);
    out.push_back(std::string(name) + " -> " + (n > 0 ? std::string(target, static_cast<std::size_t>(n)) : "?"));
  });
  return out;
}

long current_process_id() { return static_cast<long>(::getpid()); }

bool kill_process(long id) { return id > 0 && ::kill(static_cast<pid_t>(id), SIGKILL) == 0; }

}  // namespace wv
