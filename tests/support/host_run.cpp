#include "tests/support/host_run.h"

#include <gtest/gtest.h>

#include "platform/console.h"
#include "platform/testing/process_testing.h"
#include "tests/support/test_support.h"

namespace wv::test {

HostRun::HostRun(const std::filesystem::path& stderr_file, HostRunOptions options) : stderr_file_(stderr_file) {
  // Typing into a host that has already gone must fail the write, not kill
  // the test binary.
  ignore_broken_pipe_signal();

  SpawnRequest request;
  request.program = options.program.empty() ? host_exe() : options.program;
  request.env = std::move(options.env);
  request.out = StdioTarget::pipe();
  request.err = StdioTarget::to_file(stderr_file);
  auto spawned = spawn_process(request);
  if (!spawned) {
    ADD_FAILURE() << "could not start the host: " << spawned.error().text();
    return;
  }
  started_ = true;
  host_ = std::move(spawned->process);
  stdin_ = std::move(spawned->stdin_writer);

  // The thread shares only `out`, so that a run whose agent never lets go of
  // the pipe can still be left behind.
  reader_ = std::thread(
      [out = out_, pipe = std::move(spawned->stdout_reader), hang_up = std::move(options.hang_up_after)]() mutable {
        char buffer[4096];
        for (;;) {
          auto n = pipe.read_some(buffer, sizeof buffer);
          std::lock_guard lock(out->mutex);
          if (n && *n > 0) out->text.append(buffer, *n);
          bool hung_up = hang_up && out->text.find(*hang_up) != std::string::npos;
          if (!n || *n == 0 || hung_up) {
            pipe.close();
            out->closed = true;
            out->changed.notify_all();
            return;
          }
          out->changed.notify_all();
        }
      });
}

HostRun::~HostRun() {
  stdin_.close();
  if (!started_) return;
  if (!host_.has_ended()) host_.terminate_and_wait();
  if (wait_out_closed(std::chrono::seconds(10))) {
    reader_.join();
  } else {
    reader_.detach();
  }
}

void HostRun::type(std::string_view bytes) { EXPECT_TRUE(stdin_.write_all(bytes)) << "host's stdin is closed"; }

void HostRun::end_input() { stdin_.close(); }

std::string HostRun::out() const {
  std::lock_guard lock(out_->mutex);
  return out_->text;
}

std::string HostRun::err() const { return read_file(stderr_file_); }

bool HostRun::wait_for_out(std::string_view text, std::chrono::milliseconds timeout) {
  std::unique_lock lock(out_->mutex);
  auto found = [&] { return out_->text.find(text) != std::string::npos; };
  // Nothing more can come once the pipe has closed.
  out_->changed.wait_for(lock, timeout, [&] { return found() || out_->closed; });
  return found();
}

std::optional<int> HostRun::wait_exit(std::chrono::milliseconds timeout) {
  if (!started_) return std::nullopt;
  if (!wait_until([&] { return host_.has_ended(); }, timeout)) return std::nullopt;
  return host_.exit_code();
}

bool HostRun::wait_out_closed(std::chrono::milliseconds timeout) {
  std::unique_lock lock(out_->mutex);
  return out_->changed.wait_for(lock, timeout, [&] { return out_->closed; });
}

void HostRun::kill() {
  if (!started_ || host_.has_ended()) return;
  // The host alone, as a task manager ends it: terminate_and_wait would end
  // the agent with it.
  EXPECT_TRUE(kill_process(host_.id()));
  EXPECT_TRUE(wait_until([&] { return host_.has_ended(); }, std::chrono::seconds(20)));
}

bool HostRun::interrupt() { return started_ && interrupt_process_group(host_); }

}  // namespace wv::test
