#pragma once
// One run of the built console host, driven as a user at a terminal would:
// lines typed on its standard input, its standard output read as it comes.
//
// Standard output is a pipe read on a background thread. The agent inherits
// it from the host, so the pipe reaching its end means that the host and every
// agent it launched have ended. Standard error goes to a file.

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "platform/process.h"
#include "platform/text.h"

namespace wv::test {

using EnvOverrides = std::vector<std::pair<std::string, std::optional<NativeString>>>;

struct HostRunOptions {
  // The host program; empty means the one of this build.
  std::filesystem::path program;
  // Set or, with nothing, removed in the host's environment (and so the agent's).
  EnvOverrides env;
  // Once standard output holds this text, the reading end of the pipe is
  // closed, as by a consumer that went away; later writes by the host fail.
  std::optional<std::string> hang_up_after;
};

class HostRun {
 public:
  // Starts the host; a failed spawn fails the calling test.
  HostRun(const std::filesystem::path& stderr_file, HostRunOptions options);
  // Kills a host that is still running.
  ~HostRun();
  HostRun(const HostRun&) = delete;
  HostRun& operator=(const HostRun&) = delete;

  bool started() const { return started_; }

  // Bytes on the host's standard input, and the end of it.
  void type(std::string_view bytes);
  void end_input();

  std::string out() const;
  std::string err() const;

  // Waits until standard output holds `text`; false if it never does.
  bool wait_for_out(std::string_view text, std::chrono::milliseconds timeout);
  // Waits for the host to end; its exit status, or nothing on a timeout.
  std::optional<int> wait_exit(std::chrono::milliseconds timeout);
  // Waits until every writer of standard output has gone (or it was hung up).
  bool wait_out_closed(std::chrono::milliseconds timeout);
  // Kills the host alone from outside, as a user with a task manager would;
  // its standard input stays open, and the agent is left running.
  void kill();
  // The terminal's Ctrl+C sent to the host's process group; false where the
  // platform has no such thing.
  bool interrupt();

 private:
  struct Output {
    mutable std::mutex mutex;
    std::condition_variable changed;
    std::string text;
    bool closed = false;
  };

  std::filesystem::path stderr_file_;
  bool started_ = false;
  ChildProcess host_;
  PipeEnd stdin_;
  std::shared_ptr<Output> out_ = std::make_shared<Output>();
  std::thread reader_;
};

}  // namespace wv::test
