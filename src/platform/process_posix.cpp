#include "platform/process.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <tuple>

#include "platform/clock.h"
#include "platform/thread.h"

namespace wv {

namespace {

// POSIX.1-2017, XSH wait(): the status of a process that has ended.
void record(ChildProcess::Impl& child, int status) {
  if (WIFEXITED(status)) child.exit_code = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) child.exit_code = 128 + WTERMSIG(status);
}

}  // namespace

bool ChildProcess::has_ended() {
  if (!impl_ || impl_->ended) return true;
  const pid_t pid = static_cast<pid_t>(impl_->pid);
  int status = 0;
  for (;;) {
    // No WUNTRACED: a child stopped by a signal (SIGSTOP from a user or a
    // debugger; no terminal can stop it, it has none) is alive and may be
    // continued. Taken for ended, it would be relaunched beside itself; left
    // so, a stop that it overstays ends it by SIGKILL, which a stopped
    // process does not hold off. WNOHANG: 0 while the child runs
    // (POSIX.1-2017, XSH waitpid()).
    pid_t r = ::waitpid(pid, &status, WNOHANG);
    if (r == 0) return false;
    if (r < 0 && errno == EINTR) continue;
    // Otherwise ended, or no longer ours to wait for: never signal it again.
    impl_->ended = true;
    if (r == pid) record(*impl_, status);
    return true;
  }
}

void ChildProcess::terminate_and_wait() {
  if (!impl_ || impl_->ended) return;
  const pid_t pid = static_cast<pid_t>(impl_->pid);
  // The child leads a process group of its own, which holds whatever it
  // started; the group's id stays its until it is reaped. A child that moved
  // to another group is still reached by its own id.
  ::kill(-pid, SIGKILL);
  ::kill(pid, SIGKILL);
  // Polled, not waited for: SIGKILL ends a process only when it next leaves
  // the kernel (POSIX.1-2017, kill(): the signal is sent, not the end
  // awaited), and a blocking waitpid cannot be given a time limit.
  const MonotonicInstant start = monotonic_now();
  while (!has_ended() && elapsed_since(start) < kForcedEndWait) sleep_for(Duration::millis(10));
  impl_->ended = true;  // if not reaped by now, given up on: never waited for or signalled again
}

namespace {

int fd(const UniqueStream& s) { return static_cast<int>(s.get()); }

// Moved above the standard three, so that a dup2 onto 0, 1 or 2 in the child
// never meets itself.
std::expected<void, OsError> keep_above_standard(UniqueStream& s) {
  if (fd(s) > 2) return {};
  int moved = ::fcntl(fd(s), F_DUPFD_CLOEXEC, 3);
  if (moved < 0) return std::unexpected(last_os_error());
  s.reset(moved);
  return {};
}

// pipe2() with O_CLOEXEC, so that no other child we start meanwhile inherits
// an end (Linux since 2.6.27, glibc 2.9; pipe2(2)).
std::expected<std::pair<UniqueStream, UniqueStream>, OsError> make_pipe() {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) return std::unexpected(last_os_error());
  std::pair<UniqueStream, UniqueStream> ends{UniqueStream(fds[0]), UniqueStream(fds[1])};
  if (auto r = keep_above_standard(ends.first); !r) return std::unexpected(r.error());
  if (auto r = keep_above_standard(ends.second); !r) return std::unexpected(r.error());
  return ends;
}

struct ChildStdio {
  UniqueStream child_end;  // what the child gets as the stream, or none to inherit
  UniqueStream parent_end;
};

std::expected<ChildStdio, OsError> prepare_output(const StdioTarget& target) {
  ChildStdio stdio;
  if (target.mode == StdioMode::Pipe) {
    auto p = make_pipe();
    if (!p) return std::unexpected(p.error());
    std::tie(stdio.parent_end, stdio.child_end) = std::move(*p);
  } else if (target.mode == StdioMode::File) {
    stdio.child_end.reset(::open(target.file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    if (!stdio.child_end) return std::unexpected(last_os_error());
    if (auto r = keep_above_standard(stdio.child_end); !r) return std::unexpected(r.error());
  }
  return stdio;
}

// The argv or envp that posix_spawn() takes: pointers into `words`, then null.
std::vector<char*> c_array(std::vector<std::string>& words) {
  std::vector<char*> out;
  out.reserve(words.size() + 1);
  for (auto& w : words) out.push_back(w.data());
  out.push_back(nullptr);
  return out;
}

// posix_spawn's C structures, released whatever path the spawn takes.
struct SpawnSetup {
  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attr;
  int actions_rc = posix_spawn_file_actions_init(&actions);
  int attr_rc = actions_rc == 0 ? posix_spawnattr_init(&attr) : actions_rc;  // the first failure
  ~SpawnSetup() {
    if (actions_rc == 0) posix_spawn_file_actions_destroy(&actions);
    if (attr_rc == 0) posix_spawnattr_destroy(&attr);
  }
};

}  // namespace

std::expected<SpawnedProcess, OsError> spawn_process(const SpawnRequest& request) {
  auto stdin_pipe = make_pipe();
  if (!stdin_pipe) return std::unexpected(stdin_pipe.error());
  auto out = prepare_output(request.out);
  if (!out) return std::unexpected(out.error());
  auto err = prepare_output(request.err);
  if (!err) return std::unexpected(err.error());

  SpawnSetup setup;
  int rc = setup.attr_rc;
  if (rc != 0) return std::unexpected(os_error_from_code(rc));

  // dup2 clears close-on-exec on the copy, so the child keeps exactly its
  // three standard streams. Every descriptor we open is close-on-exec, but
  // one we inherited need not be (a launcher's pipe, say): it is closed too.
  // posix_spawn_file_actions_addclosefrom_np() needs glibc 2.34.
  rc = posix_spawn_file_actions_adddup2(&setup.actions, fd(stdin_pipe->first), 0);
  if (rc == 0 && out->child_end) rc = posix_spawn_file_actions_adddup2(&setup.actions, fd(out->child_end), 1);
  if (rc == 0 && err->child_end) rc = posix_spawn_file_actions_adddup2(&setup.actions, fd(err->child_end), 2);
  if (rc == 0) rc = posix_spawn_file_actions_addclosefrom_np(&setup.actions, 3);
  // Without its own stdin the child would read the user's terminal and never
  // see the end of its input.
  if (rc != 0) return std::unexpected(os_error_from_code(rc));

  // A session of its own: the child has no controlling terminal, as a Windows
  // child made without a console window has none, so no job-control stop
  // (SIGTTOU on its first write to a terminal with `tostop` set, or on
  // changing the terminal's settings), no hang-up and no Ctrl+C reaches it,
  // while it still writes to the terminal through the streams it inherits.
  // It also leads a process group of its own, which a forced end kills
  // whole. (Asking for both would fail the spawn: setsid makes the child a
  // session leader, whose group setpgid may no longer change.)
  // POSIX_SPAWN_SETSID is in POSIX.1-2024, XSH posix_spawn(), and in glibc
  // from 2.26.
  //
  // The child's signals start as a program started at a terminal finds
  // them, however we were started. SIGPIPE, which we ignore ourselves.
  // SIGCHLD, which a launcher may have left ignored: the child's own waits
  // for the processes it starts would then fail. SIGINT, which a shell
  // ignores for a job it starts in the background. Nothing blocked. A
  // nohup's ignored SIGHUP is left as it is: that was asked for.
  sigset_t defaults;
  sigemptyset(&defaults);
  for (int signal : {SIGPIPE, SIGCHLD, SIGINT}) sigaddset(&defaults, signal);
  sigset_t no_mask;
  sigemptyset(&no_mask);
  rc = posix_spawnattr_setsigdefault(&setup.attr, &defaults);
  if (rc == 0) rc = posix_spawnattr_setsigmask(&setup.attr, &no_mask);
  if (rc == 0) {
    rc = posix_spawnattr_setflags(&setup.attr, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
  }
  if (rc != 0) return std::unexpected(os_error_from_code(rc));

  std::vector<std::string> args{request.program.native()};
  args.insert(args.end(), request.args.begin(), request.args.end());
  std::vector<std::string> env = environment_with(own_environment(), request.env);
  pid_t pid = -1;
  rc = ::posix_spawn(&pid, request.program.c_str(), &setup.actions, &setup.attr, c_array(args).data(),
                     c_array(env).data());
  if (rc != 0) return std::unexpected(os_error_from_code(rc));

  auto child = std::make_unique<ChildProcess::Impl>();
  child->pid = pid;
  // The child's ends (stdin read end, output write ends) close here, on return.
  return SpawnedProcess{ChildProcess(std::move(child)), PipeEnd(std::move(stdin_pipe->second)),
                        PipeEnd(std::move(out->parent_end)), PipeEnd(std::move(err->parent_end))};
}

void prepare_process_at_start() {
  // An ignored SIGCHLD is the one disposition a launcher can hand down that
  // changes what waitpid does: with it, no ended child is kept for waitpid,
  // which fails with ECHILD (POSIX.1-2017, XSH wait()). Whether exec keeps it
  // ignored POSIX leaves unspecified (XSH exec), and Linux keeps it (signal(7):
  // across execve the dispositions of ignored signals are left unchanged); a
  // caught signal is reset to its default.
  struct sigaction dfl{};
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
