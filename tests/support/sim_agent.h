#pragma once
// Driving the simulated agent from a test: its environment knobs, and reading
// back what it recorded about itself.

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/env.h"
#include "platform/testing/env_testing.h"
#include "tests/support/test_support.h"

namespace wv::test {

// The simulated agent's knobs, all cleared unless a test sets them, so that
// nothing leaks from one test into the next or from the caller's shell.
struct SimKnobs {
  ScopedEnv record{"WV_SIM_RECORD", std::nullopt};
  ScopedEnv count{"WV_SIM_COUNT", std::nullopt};
  ScopedEnv mode{"WV_SIM_MODE", std::nullopt};
};

inline void set_sim_mode(std::string_view mode) { set_env("WV_SIM_MODE", native(mode)); }

// What one launch of the simulated agent wrote about itself.
struct SimRecord {
  std::vector<std::string> args;
  std::vector<std::string> env;  // "NAME=value"
  std::string cwd;
  std::vector<std::string> fds;  // "<n> -> <target>", POSIX only
  bool ready = false;
  bool stdin_end = false;
  long pid = -1;
  long child = -1;  // the helper it started, in spawn-child-ignore-stdin

  // The value of every entry named `name` (exact case).
  std::vector<std::string> env_values(std::string_view name) const {
    std::vector<std::string> out;
    std::string prefix = std::string(name) + "=";
    for (const auto& e : env) {
      if (e.starts_with(prefix)) out.push_back(e.substr(prefix.size()));
    }
    return out;
  }

  // The target of descriptor `fd`, if it was open.
  std::optional<std::string> fd_target(int fd) const {
    std::string prefix = std::to_string(fd) + " -> ";
    for (const auto& f : fds) {
      if (f.starts_with(prefix)) return f.substr(prefix.size());
    }
    return std::nullopt;
  }
};

inline SimRecord parse_record(const std::filesystem::path& file) {
  SimRecord r;
  for (const auto& line : read_lines(file)) {
    if (line.starts_with("arg "))
      r.args.push_back(line.substr(4));
    else if (line.starts_with("env "))
      r.env.push_back(line.substr(4));
    else if (line.starts_with("cwd "))
      r.cwd = line.substr(4);
    else if (line.starts_with("fd "))
      r.fds.push_back(line.substr(3));
    else if (line == "ready")
      r.ready = true;
    else if (line == "stdin-end")
      r.stdin_end = true;
    else if (line.starts_with("pid "))
      r.pid = std::stol(line.substr(4));
    else if (line.starts_with("child "))
      r.child = std::stol(line.substr(6));
  }
  return r;
}

// Generous: a process start under Wine alone can take a few hundred ms.
inline constexpr std::chrono::milliseconds kAgentTimeout{15000};

inline bool wait_for_ready(const std::filesystem::path& record) {
  return wait_until([&] { return parse_record(record).ready; }, kAgentTimeout);
}

inline bool wait_for_stdin_end(const std::filesystem::path& record) {
  return wait_until([&] { return parse_record(record).stdin_end; }, kAgentTimeout);
}

inline std::size_t launch_count(const std::filesystem::path& count_file) { return read_lines(count_file).size(); }

}  // namespace wv::test
