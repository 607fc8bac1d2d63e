#pragma once
// Windows only: paths past MAX_PATH. Internal to the platform layer.

#include <filesystem>
#include <string>

namespace wv {

// The form of `p` that the Win32 file calls accept whatever its length, on
// every Windows 10 and 11 and not only where the long-path policy is on: a
// path of MAX_PATH characters or more is made absolute and canonical (the
// "\\?\" form is passed to the file system untouched, so "." and ".." and
// "/" would no longer be understood) and given the "\\?\" or "\\?\UNC\"
// prefix. Shorter paths, and those that already have a prefix, are returned
// as they are.
std::wstring long_path_form(const std::filesystem::path& p);

}  // namespace wv
