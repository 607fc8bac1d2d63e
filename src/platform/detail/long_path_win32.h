#pragma once
// Windows only: paths past MAX_PATH. Internal to the platform layer.

#include <string>

namespace wv {

// The form of `path` that the Win32 file calls accept whatever its length, on
// every Windows 10 and 11 and not only where the long-path policy is on: a
// path of MAX_PATH characters or more is made absolute and canonical (the
// "\\?\" form is passed to the file system untouched, so "." and ".." and
// "/" would no longer be understood) and given the "\\?\" or "\\?\UNC\"
// prefix (Microsoft Learn, "Maximum Path Length Limitation"). Paths shorter
// once made absolute, and those that already have a prefix, are returned as
// they are.
//
// Every file this process opens is opened by this form, and so are the
// agent's: a read must reach the same file whatever the path's length.
std::wstring long_path_form(const std::wstring& path);

// The form of a program's path to pass to CreateProcessW. Past MAX_PATH:
// the path's 8.3 short form when the volume keeps short names and it fits
// within MAX_PATH (taken everywhere, Wine included), else the "\\?\" form,
// which CreateProcessW takes for the program's name on Windows 10 and 11.
std::wstring program_path_form(const std::wstring& path);

}  // namespace wv
