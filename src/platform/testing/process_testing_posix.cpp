#include "platform/testing/process_testing.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <pthread.h>
#include <spawn.h>
#include <string>
#include <sys/ptrace.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace wv {
namespace {

// Calls f(name) for each descriptor this process holds, the listing's own excepted.
template <class F>
bool for_each_open_fd(F&& f) {
  DIR* dir = ::opendir("/proc/self/fd");
  if (dir == nullptr) return false;
  const std::string own = std::to_string(::dirfd(dir));
  while (dirent* entry = ::readdir(dir)) {
    if (entry->d_name[0] == '.' || entry->d_name == own) continue;
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

// sigabbrev_np() needs glibc 2.32.
std::vector<std::string> describe_signal_state() {
  std::vector<std::string> out;
  for (int signal : {SIGCHLD, SIGPIPE, SIGINT}) {
    struct sigaction now{};
    ::sigaction(signal, nullptr, &now);
    const char* how = now.sa_handler == SIG_DFL ? "default" : now.sa_handler == SIG_IGN ? "ignored" : "handled";
    out.push_back(std::string(::sigabbrev_np(signal)) + " " + how);
  }
  sigset_t blocked;
  sigemptyset(&blocked);
  ::pthread_sigmask(SIG_BLOCK, nullptr, &blocked);
  std::string line = "blocked";
  for (int signal = 1; signal < NSIG; ++signal) {
    if (sigismember(&blocked, signal) != 1) continue;
    const char* name = ::sigabbrev_np(signal);
    line += ' ';
    line += name != nullptr ? std::string(name) : std::to_string(signal);
  }
  out.push_back(line == "blocked" ? "blocked none" : line);
  return out;
}

long current_process_id() { return static_cast<long>(::getpid()); }

bool kill_process(long id) { return id > 0 && ::kill(static_cast<pid_t>(id), SIGKILL) == 0; }

bool process_is_running(long id) {
  if (id <= 0) return false;
  if (::kill(static_cast<pid_t>(id), 0) != 0 && errno != EPERM) return false;
  // "<pid> (<name>) <state> ...": a zombie has ended, whoever has yet to reap it.
  std::ifstream stat("/proc/" + std::to_string(id) + "/stat");
  std::string line;
  if (!std::getline(stat, line)) return false;
  std::size_t after_name = line.rfind(')');
  return after_name == std::string::npos || after_name + 2 >= line.size() || line[after_name + 2] != 'Z';
}

std::optional<long> start_plain_child(const std::filesystem::path& program, const std::vector<std::string>& args) {
  std::vector<std::string> words{program.native()};
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char*> argv;
  argv.reserve(words.size() + 1);
  for (auto& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);
  pid_t pid = -1;
  if (::posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ) != 0) return std::nullopt;
  return static_cast<long>(pid);
}

InheritablePipe::InheritablePipe() {
  int fds[2];
  if (::pipe(fds) != 0) return;
  read_end_.reset(fds[0]);
  write_end_.reset(fds[1]);
  ::fcntl(fds[0], F_SETFD, FD_CLOEXEC);  // only the write end is left to leak
}

bool InheritablePipe::wait_for_end(std::chrono::milliseconds timeout) {
  if (!read_end_) return false;
  // Nobody writes to it: the only news can be that the last writer went,
  // which poll() reports as POLLHUP on a pipe (Linux pipe(7)).
  pollfd p{static_cast<int>(read_end_.get()), POLLIN, 0};
  int r = 0;
  do r = ::poll(&p, 1, static_cast<int>(timeout.count()));
  while (r < 0 && errno == EINTR);
  return r > 0 && (p.revents & POLLHUP) != 0;
}

ReapHold::ReapHold(long id) {
  if (::ptrace(PTRACE_SEIZE, static_cast<pid_t>(id), nullptr, nullptr) == 0) id_ = id;
}

ReapHold::~ReapHold() {
  if (!is_held()) return;
  ::kill(static_cast<pid_t>(id_), SIGKILL);
  int status = 0;
  // __WALL: a tracee that is not our child is waited for only so.
  while (::waitpid(static_cast<pid_t>(id_), &status, __WALL) < 0 && errno == EINTR) {
  }
}

}  // namespace wv
