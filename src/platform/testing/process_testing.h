#pragma once
// Processes as the tests and the simulated agent see them: what a user or a
// terminal does to a process from outside, and what a process holds open.

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/process.h"

namespace wv {

// Sends the terminal's interrupt (SIGINT) to the process group that `child`
// leads, as a terminal would. False where the platform has no such thing.
bool interrupt_process_group(const ChildProcess& child);

// Handles (Windows) or descriptors (POSIX) the calling process holds open.
std::optional<std::size_t> open_handle_count();

// A description of each handle or descriptor this process holds, where the
// platform can list them (POSIX: "<fd> -> <target>"); empty where it cannot.
std::vector<std::string> describe_open_handles();

// The signal state a launcher can hand down across exec, where the platform
// has signals (POSIX: "<signal> default|ignored|handled" for CHLD, PIPE and
// INT, then "blocked <signal>..." or "blocked none"); empty where it has not.
std::vector<std::string> describe_signal_state();

long current_process_id();

// Forcibly ends the process with the given id, which need not be a child of
// the caller (SIGKILL; TerminateProcess with exit code 1), as a user killing
// it would. False if it could not.
bool kill_process(long id);

// Whether the process with the given id, which need not be a child of the
// caller, is alive (a POSIX zombie is not).
bool process_is_running(long id);

// Starts `program` with `args` (plain words: no spaces or quotes) the way
// most programs start a helper: in the caller's process group (POSIX) and job
// (Windows), with the caller's standard streams, never waited for. Its id,
// or nothing if it could not be started.
std::optional<long> start_plain_child(const std::filesystem::path& program, const std::vector<std::string>& args);

// Holds off the reaping of the process with the given id, which need not be
// a child of the caller, as the kernel holds a process that cannot leave an
// uninterruptible sleep: its parent's waits find it neither running nor
// ended. POSIX: the calling thread becomes its tracer, and a traced process
// that ends is reported to its parent only once its tracer has waited for it
// (Linux ptrace(2), "PTRACE_SEIZE" and the notes on a tracee's death).
// Released, the process killed first, on destruction, by the same thread.
// Not held where the platform cannot (Windows) or may not (no permission).
class ReapHold {
 public:
  explicit ReapHold(long id);
  ~ReapHold();  // NOLINT(performance-trivially-destructible): trivial on Windows alone
  ReapHold(const ReapHold&) = delete;
  ReapHold& operator=(const ReapHold&) = delete;

  bool is_held() const { return id_ > 0; }

 private:
  long id_ = -1;
};

// A pipe whose write end every process this one starts would inherit, unless
// the start limits what is inherited: as a careless launcher's pipe would be.
class InheritablePipe {
 public:
  InheritablePipe();

  // False when the pipe could not be made.
  bool is_open() const { return static_cast<bool>(read_end_); }
  void close_write_end() { write_end_.reset(); }
  // True once every holder of the write end has closed it, false if that
  // does not happen within `timeout`.
  bool wait_for_end(std::chrono::milliseconds timeout);

 private:
  UniqueStream read_end_, write_end_;
};

}  // namespace wv
