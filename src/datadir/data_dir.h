#pragma once
// Where the agent publishes its files, and the paths of those files.

#include <filesystem>
#include <optional>
#include <string_view>

namespace wv {

inline constexpr std::string_view kDataDirVar = "WAYVANE_GPS_DIR";
inline constexpr std::string_view kLocalAppDataVar = "LOCALAPPDATA";
inline constexpr std::string_view kUserProfileVar = "USERPROFILE";
inline constexpr std::string_view kDataDirFolderName = "Wayvane GPS";

// The data directory, from the environment: WAYVANE_GPS_DIR as set when it is
// not empty; else LOCALAPPDATA (or, only when that is unset, USERPROFILE)
// joined with "Wayvane GPS"; else the temporary directory joined with it.
// Nothing only when that last case is reached and the system reports no
// temporary directory. The directory is never created or checked.
std::optional<std::filesystem::path> resolve_data_dir();

// dir / "devices.json"
std::filesystem::path index_path(const std::filesystem::path& dir);
// dir / "devices" / udid / "status.json"; the udid is inserted unchanged.
std::filesystem::path status_path(const std::filesystem::path& dir, std::string_view udid);

// The status paths of one data directory, for a poll that builds one per
// device: each is built in the same buffer, and a udid that cannot change the
// shape of the path (no root, no drive) is joined by plain concatenation,
// which gives the same text as the path-append rule.
class StatusPaths {
 public:
  explicit StatusPaths(const std::filesystem::path& dir);
  // status_path(dir, udid), valid until the next call.
  const std::filesystem::path::string_type& of(std::string_view udid);

 private:
  std::filesystem::path devices_;  // dir / "devices"
  std::filesystem::path::string_type udid_;  // Windows: the udid in UTF-16
  std::filesystem::path::string_type path_;
};

}  // namespace wv
