// A stand-in for the real agent, for the demo and the tests. It does what a
// test asks through environment variables, which the host passes through:
//
//   WV_SIM_RECORD=<file>  write the arguments, environment, working directory,
//                         open descriptors and signal state to <file>, then append
//                         "stdin-end" when standard input ends
//   WV_SIM_COUNT=<file>   append one line to <file> per launch
//   WV_SIM_MODE=<mode>    what to do once started:
//     wait-stdin             (the default) exit 0 when standard input ends
//     exit:<ms>:<code>       exit with <code> after <ms>, whatever stdin does
//     ignore-stdin           keep running after standard input ends
//     exit-after-eof:<ms>    exit 0 <ms> after standard input ends
//     crash:<ms>[,<ms>...]   die of an access violation (SIGSEGV) after <ms>,
//                            as a fault in a driver's library would; with a
//                            list, the n-th launch that WV_SIM_COUNT counts
//                            waits the n-th time, and every later one the last
//     publish:<scenario>     publish the scenario's files (see publisher.h)
//     say:<text>             write "<text> (out)" to standard output and
//                            "<text> (err)" to standard error; once standard
//                            input ends, "<text> (done)" to standard output,
//                            append "said" to the record if every write
//                            succeeded, then exit 0
//     spawn-child-ignore-stdin
//                            start a helper process of its own (this program
//                            with the argument "child", which only sleeps),
//                            append "child <pid>" to the record, then go on
//                            as ignore-stdin

#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/clock.h"
#include "platform/console.h"
#include "platform/env.h"
#include "platform/fs.h"
#include "platform/process.h"
#include "platform/testing/env_testing.h"
#include "platform/testing/process_testing.h"
#include "platform/text.h"
#include "platform/thread.h"
#include "publisher.h"

namespace {

std::optional<std::string> env_text(std::string_view name) {
  auto value = wv::get_env(name);
  if (!value) return std::nullopt;
  return wv::native_to_utf8_lossy(*value);
}

std::optional<std::filesystem::path> env_path(std::string_view name) {
  auto value = wv::get_env(name);
  if (!value || value->empty()) return std::nullopt;
  return std::filesystem::path(*value);
}

std::uint64_t number(std::string_view text) {
  std::uint64_t value = 0;
  std::from_chars(text.data(), text.data() + text.size(), value);
  return value;
}

void append_line(const std::filesystem::path& file, std::string_view line) {
  std::ofstream out(file, std::ios::binary | std::ios::app);
  out << line << '\n';
}

void write_record(const std::filesystem::path& file) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  for (const auto& arg : wv::command_line_arguments()) out << "arg " << arg << '\n';
  for (const auto& entry : wv::environment_entries()) out << "env " << entry << '\n';
  std::error_code ec;
  out << "cwd " << wv::path_to_utf8_lossy(std::filesystem::current_path(ec)) << '\n';
  for (const auto& fd : wv::describe_open_handles()) out << "fd " << fd << '\n';
  for (const auto& signal : wv::describe_signal_state()) out << "signal " << signal << '\n';
  out << "pid " << wv::current_process_id() << '\n';
  out << "ready\n";
}

// A store through a null pointer the compiler cannot see coming: a real
// access violation, left to the system's handling of an unhandled one.
[[noreturn]] void crash() {
  volatile std::uintptr_t address = 0;
  *reinterpret_cast<volatile int*>(address) = 1;  // NOLINT(performance-no-int-to-ptr): the very point
  std::abort();                                   // not reached
}

// How many launches `count` holds, this one's included.
std::size_t launches_counted(const std::filesystem::path& count) {
  std::ifstream in(count, std::ios::binary);
  std::size_t n = 0;
  for (std::string line; std::getline(in, line);) ++n;
  return n;
}

[[noreturn]] void run_forever() {
  for (;;) wv::sleep_for(wv::Duration::seconds(3600));
}

}  // namespace

int main() {
  std::vector<std::string> args = wv::command_line_arguments();
  if (args.size() == 2 && args[1] == "child") run_forever();

  auto record = env_path("WV_SIM_RECORD");
  std::size_t launch = 1;
  if (auto count = env_path("WV_SIM_COUNT")) {
    append_line(*count, "launch");
    launch = launches_counted(*count);
  }
  if (record) write_record(*record);

  std::string mode = env_text("WV_SIM_MODE").value_or("wait-stdin");
  auto note_stdin_end = [&] {
    if (record) append_line(*record, "stdin-end");
  };

  if (mode.starts_with("exit:")) {
    std::string_view rest = std::string_view(mode).substr(5);
    std::size_t colon = rest.find(':');
    std::uint64_t ms = number(rest.substr(0, colon));
    int code = colon == std::string_view::npos ? 0 : static_cast<int>(number(rest.substr(colon + 1)));
    wv::sleep_for(wv::Duration::millis(ms));
    return code;
  }
  if (mode.starts_with("crash:")) {
    std::string_view delays = std::string_view(mode).substr(6);
    for (std::size_t n = 1; n < launch && delays.find(',') != std::string_view::npos; ++n) {
      delays.remove_prefix(delays.find(',') + 1);
    }
    // The number ends at the next comma.
    wv::sleep_for(wv::Duration::millis(number(delays)));
    crash();
  }
  if (mode.starts_with("say:")) {
    std::string text = mode.substr(4);
    bool said = wv::write_stdout(text + " (out)\n") && wv::write_stderr(text + " (err)\n");
    wv::wait_for_stdin_end();
    note_stdin_end();
    said = wv::write_stdout(text + " (done)\n") && said;
    if (said && record) append_line(*record, "said");
    return said ? 0 : 1;
  }
  if (mode == "spawn-child-ignore-stdin") {
    auto self = wv::current_exe_path();
    auto child = self ? wv::start_plain_child(*self, {"child"}) : std::nullopt;
    if (!child) return 3;
    if (record) append_line(*record, "child " + std::to_string(*child));
    mode = "ignore-stdin";
  }
  if (mode == "ignore-stdin") {
    wv::wait_for_stdin_end();
    note_stdin_end();
    run_forever();
  }
  if (mode.starts_with("exit-after-eof:")) {
    wv::wait_for_stdin_end();
    note_stdin_end();
    wv::sleep_for(wv::Duration::millis(number(std::string_view(mode).substr(15))));
    return 0;
  }
  if (mode.starts_with("publish:")) {
    return wv::sim::run_publisher(std::filesystem::path(wv::native_from_utf8(mode.substr(8))), note_stdin_end);
  }
  wv::wait_for_stdin_end();
  note_stdin_end();
  return 0;
}
