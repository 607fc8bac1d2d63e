#pragma once
// Helpers shared by the test suites: scratch directories, the built programs,
// and waiting for something to show up in a file.

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/text.h"

namespace wv::test {

// A fresh directory, removed with everything in it on destruction.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(std::string_view name) const;
  // Writes `content` to a file below the directory, creating parent folders.
  std::filesystem::path write(std::string_view relative, std::string_view content) const;

 private:
  std::filesystem::path path_;
};

// Programs built beside the test binaries.
std::filesystem::path build_dir();
std::filesystem::path host_exe();
std::filesystem::path agent_sim_exe();

std::string read_file(const std::filesystem::path& p);
std::vector<std::string> read_lines(const std::filesystem::path& p);
// The lines of a text, without their line feeds.
std::vector<std::string> split_lines(std::string_view text);

// Polls `done` every 20 ms until it holds or `timeout` passes.
bool wait_until(const std::function<bool()>& done, std::chrono::milliseconds timeout);

// Sets an environment variable for the life of the object, then puts the old
// value back (nothing means unset).
class ScopedEnv {
 public:
  ScopedEnv(std::string name, std::optional<std::string> value);
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string name_;
  std::optional<NativeString> old_;
};

// Moves the process into a directory for the life of the object.
class ScopedCwd {
 public:
  explicit ScopedCwd(const std::filesystem::path& dir);
  ~ScopedCwd();
  ScopedCwd(const ScopedCwd&) = delete;
  ScopedCwd& operator=(const ScopedCwd&) = delete;

 private:
  std::filesystem::path old_;
};

inline NativeString native(std::string_view utf8) { return native_from_utf8(utf8); }

}  // namespace wv::test
