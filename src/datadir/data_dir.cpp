#include "datadir/data_dir.h"

#include <string_view>
#include <type_traits>

#include "platform/env.h"
#include "platform/fs.h"
#include "platform/os.h"
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

std::filesystem::path index_path(const std::filesystem::path& dir) {
  return dir / native_from_utf8("devices.json");
}

std::filesystem::path status_path(const std::filesystem::path& dir, std::string_view udid) {
  return std::filesystem::path(StatusPaths(dir).of(udid));
}

namespace {

using NativeChar = std::filesystem::path::value_type;

bool is_separator(NativeChar c) { return c == '/' || (kIsWindows && c == '\\'); }

// A udid that the path-append rule would let replace the left side, or part
// of it: one with a root directory, or on Windows anything like a drive or a
// server name. Those go through std::filesystem.
bool may_root(std::basic_string_view<NativeChar> udid) {
  if (!udid.empty() && is_separator(udid.front())) return true;
  return kIsWindows && udid.find(':') != udid.npos;
}

// The udid as native text: the bytes themselves on POSIX, converted into
// `storage` on Windows.
template <class Native>
std::basic_string_view<typename Native::value_type> native_view(std::string_view udid, Native& storage) {
  if constexpr (std::is_same_v<Native, std::string>) {
    return udid;
  } else {
    storage = native_from_utf8(udid);
    return storage;
  }
}

}  // namespace

StatusPaths::StatusPaths(const std::filesystem::path& dir) : devices_(dir / native_from_utf8("devices")) {}

const std::filesystem::path::string_type& StatusPaths::of(std::string_view udid) {
  static const NativeString kFileName = native_from_utf8("status.json");
  const std::basic_string_view<NativeChar> name = native_view(udid, udid_);
  if (may_root(name)) {
    path_ = (devices_ / name / kFileName).native();
    return path_;
  }
  // devices_ ends with its folder name, so a separator always goes after it;
  // one goes after the udid unless it is empty or already ends with one.
  path_.assign(devices_.native());
  path_ += std::filesystem::path::preferred_separator;
  path_ += name;
  if (!name.empty() && !is_separator(name.back())) path_ += std::filesystem::path::preferred_separator;
  path_ += kFileName;
  return path_;
}

}  // namespace wv
