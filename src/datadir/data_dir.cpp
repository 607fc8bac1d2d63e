#include "datadir/data_dir.h"

#include "platform/env.h"
#include "platform/fs.h"
#include "platform/text.h"

namespace wv {

std::optional<std::filesystem::path> resolve_data_dir() {
  if (auto dir = get_env(kDataDirVar); dir && !dir->empty()) return std::filesystem::path(*dir);

  // An empty LOCALAPPDATA still wins over USERPROFILE, and then leads to the
  // temporary directory.
  std::optional<NativeString> base = get_env(kLocalAppDataVar);
  if (!base) base = get_env(kUserProfileVar);
  if (base && !base->empty()) return std::filesystem::path(*base) / native_from_utf8(kDataDirFolderName);

  auto temp = temp_dir();
  if (!temp) return std::nullopt;
  return *temp / native_from_utf8(kDataDirFolderName);
}

std::filesystem::path index_path(const std::filesystem::path& dir) { return dir / native_from_utf8("devices.json"); }

std::filesystem::path status_path(const std::filesystem::path& dir, std::string_view udid) {
  // Appended in place, with no path made for each step: a poll builds one
  // for every device it lists.
  std::filesystem::path path = dir;
  path /= native_from_utf8("devices");
  path /= native_from_utf8(udid);
  path /= native_from_utf8("status.json");
  return path;
}

}  // namespace wv
