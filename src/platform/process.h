#pragma once
// Child processes with a pipe on their standard input.
//
// The parent keeps the write end of the child's stdin pipe; closing it is the
// child's end of input. The write end is never inherited by any child. Every
// handle and descriptor here is owned by the object that holds it and closed
// by its destructor; destroying a ChildProcess never ends the process.

#include <cstddef>
#include <expected>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/clock.h"
#include "platform/env.h"
#include "platform/os_error.h"
#include "platform/stream.h"
#include "platform/text.h"

namespace wv {

// The parent's end of a pipe, either direction.
class PipeEnd {
 public:
  PipeEnd() = default;
  explicit PipeEnd(UniqueStream stream) : stream_(std::move(stream)) {}

  bool is_open() const { return static_cast<bool>(stream_); }
  void close() { stream_.reset(); }
  // Writes all of `bytes`; false on any failure.
  bool write_all(std::string_view bytes) { return is_open() && wv::write_all(stream_.get(), bytes); }
  // Reads what is available, blocking until something is: the byte count,
  // 0 at the end, nothing on an error.
  std::optional<std::size_t> read_some(char* buffer, std::size_t size) {
    if (!is_open()) return std::nullopt;
    return wv::read_some(stream_.get(), buffer, size);
  }

 private:
  UniqueStream stream_;
};

// Destroying one never ends or waits for the process: only the stop protocol
// may. A POSIX child that was never reaped stays a zombie until the parent
// exits.
class ChildProcess {
 public:
  // Each platform derives its own, which holds what it waits for the process by.
  struct Impl {
    virtual ~Impl() = default;
    long pid = -1;
    bool ended = false;  // reaped, or given up on: never waited for or signalled again
    std::optional<int> exit_code;
  };

  ChildProcess() = default;
  explicit ChildProcess(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

  // Non-blocking: has the process ended? An ended process is reaped. A failed
  // check counts as ended, and a process once reported ended is never signalled.
  // A stopped process (POSIX) has not ended.
  bool has_ended();
  // Forcibly ends the process and every process it started, with exit code 1
  // (SIGKILL to its process group on POSIX, its job on Windows), then waits
  // up to kForcedEndWait for it to end. Failures of either step are ignored.
  // A process that has not ended by then is given up on, as if it had: it is
  // never waited for or signalled again, and its exit code stays unknown.
  void terminate_and_wait();
  // The exit code once the process has been reaped. On POSIX a death by
  // signal N reads as 128 + N.
  std::optional<int> exit_code() const { return impl_ ? impl_->exit_code : std::nullopt; }
  long id() const { return impl_ ? impl_->pid : -1; }

 private:
  std::unique_ptr<Impl> impl_;
};

// How long a forced end waits for the process to go. Ending is not instant:
// a process ends only once its pending I/O has completed or been cancelled
// (Microsoft Learn, "TerminateProcess function"), and on POSIX a process in
// an uninterruptible sleep takes SIGKILL only when the sleep ends. A driver
// call that never returns (a phone's USB link) would hold the caller for
// good. A process normally goes within milliseconds; three seconds leave
// room for a loaded machine and a job of several processes, and keep a
// stop that had to end the agent about ten seconds from the user's Enter.
inline constexpr Duration kForcedEndWait = Duration::seconds(3);

// Inherit: the parent's own stream. Where that is a Windows console, which
// the child cannot write to (it has no console that shows), the child writes
// to a pipe instead, which the parent copies to its console between its own
// writes, until the child and whatever it started have closed it.
enum class StdioMode { Inherit, Pipe, File };

struct StdioTarget {
  StdioMode mode = StdioMode::Inherit;
  std::filesystem::path file;  // for File: created or truncated, written by the child

  static StdioTarget pipe() { return {StdioMode::Pipe, {}}; }
  static StdioTarget to_file(std::filesystem::path p) { return {StdioMode::File, std::move(p)}; }
};

struct SpawnRequest {
  std::filesystem::path program;   // used as given, never searched for
  std::vector<NativeString> args;  // the arguments after the program itself
  // Added to or overriding the parent's environment; a name with nothing as
  // its value is removed from the child's environment.
  EnvChanges env;
  StdioTarget out;
  StdioTarget err;
};

struct SpawnedProcess {
  ChildProcess process;
  PipeEnd stdin_writer;   // always open after a successful spawn
  PipeEnd stdout_reader;  // open only for StdioMode::Pipe
  PipeEnd stderr_reader;
};

// Starts the program without a console window of its own (Windows) or in a
// session of its own, with no controlling terminal (POSIX), so that nothing
// the terminal sends (Ctrl+C, a job-control stop, a hang-up) reaches it. It
// inherits its three standard streams and nothing else of ours. A failure
// leaves no handle or descriptor behind.
std::expected<SpawnedProcess, OsError> spawn_process(const SpawnRequest& request);

// What the host puts right about the process it was handed, before it does
// anything else.
// POSIX: SIGCHLD goes back to its default, so that a launcher that ignores it
// (the kernel then reaps our children itself) cannot make our waits for the
// agent fail; and each of descriptors 0-2 that is closed is filled with
// /dev/null opened for reading only, so that no file opened later can take
// its number. A filled stream behaves as the closed one did: stdin reads as
// its end, and a write to stdout or stderr still fails.
// Windows: the DLL search leaves out the executable's own directory, and
// neither a crash nor a critical error opens a dialog that would hold this
// process or the agents it starts, which inherit the error mode.
// Nothing here can fail in a way the host could mend; a step that does not
// take leaves that part as it was.
void prepare_process_at_start();

}  // namespace wv
