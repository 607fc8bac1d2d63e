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

}  // namespace wv
