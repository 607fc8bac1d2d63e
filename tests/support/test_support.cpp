#include "tests/support/test_support.h"

#include <atomic>
#include <fstream>
#include <iterator>
#include <random>
#include <thread>

#include "platform/env.h"
#include "platform/fs.h"
#include "platform/os.h"
#include "platform/testing/env_testing.h"

namespace wv::test {

ScratchDir::ScratchDir() {
  static std::atomic<unsigned> counter{0};
  std::random_device rd;
  auto base = std::filesystem::temp_directory_path();
  for (;;) {
    auto candidate = base / ("wv-test-" + std::to_string(rd()) + "-" + std::to_string(counter++));
    if (std::filesystem::create_directory(candidate)) {
      path_ = candidate;
      return;
    }
  }
}

ScratchDir::~ScratchDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

std::filesystem::path ScratchDir::operator/(std::string_view name) const { return path_ / native(name); }

std::filesystem::path ScratchDir::write(std::string_view relative, std::string_view content) const {
  auto p = path_ / native(relative);
  std::filesystem::create_directories(p.parent_path());
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out.write(content.data(), static_cast<std::streamsize>(content.size()));
  return p;
}

std::filesystem::path build_dir() { return current_exe_path().value().parent_path(); }
std::filesystem::path host_exe() { return build_dir() / native("wayvane-gps" + std::string(kExeSuffix)); }
std::filesystem::path agent_sim_exe() {
  return build_dir() / native("wayvane-gps-agent-sim" + std::string(kExeSuffix));
}

std::string read_file(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::vector<std::string> split_lines(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    lines.emplace_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

std::vector<std::string> read_lines(const std::filesystem::path& p) { return split_lines(read_file(p)); }

bool wait_until(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    if (done()) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

ScopedEnv::ScopedEnv(std::string name, std::optional<std::string> value)
    : name_(std::move(name)), old_(get_env(name_)) {
  set_env(name_, value ? std::optional<NativeString>(native(*value)) : std::nullopt);
}

ScopedEnv::~ScopedEnv() { set_env(name_, old_); }

ScopedCwd::ScopedCwd(const std::filesystem::path& dir) : old_(std::filesystem::current_path()) {
  std::filesystem::current_path(dir);
}

ScopedCwd::~ScopedCwd() { std::filesystem::current_path(old_); }

}  // namespace wv::test
