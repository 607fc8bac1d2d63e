#pragma once
// Published files for the benchmarks: a typical status, a large one, and a
// data directory with a given number of devices.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

namespace wv::bench {

std::string typical_status(const std::string& udid, std::uint64_t updated_at);
// A valid status padded with an unknown key holding many small objects.
std::string large_status(std::size_t approx_bytes);

// A fresh directory with devices.json and one status.json per device; removed
// on destruction.
class DataDir {
 public:
  explicit DataDir(std::size_t devices);
  ~DataDir();
  DataDir(const DataDir&) = delete;
  DataDir& operator=(const DataDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::size_t devices() const { return devices_; }
  static std::string udid(std::size_t i) { return "device-" + std::to_string(i); }

 private:
  std::filesystem::path path_;
  std::size_t devices_;
};

}  // namespace wv::bench
