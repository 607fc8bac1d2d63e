#pragma once
// Windows only: how this process names and opens the files it reads or looks
// at, paths past MAX_PATH included. Internal to the platform layer.

#include <windows.h>

#include <string>

namespace wv::detail {

// Every file is opened sharing read, write and delete access, so that the
// agent may rewrite, replace or delete a file while we read it (without
// FILE_SHARE_DELETE its delete or rename would fail; Microsoft Learn,
// "CreateFileW function").
inline constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// FILE_FLAG_BACKUP_SEMANTICS lets a directory open too, so that it is told
// apart from a failure. SECURITY_IDENTIFICATION: a path that names a pipe
// (\\.\pipe\..., or a file the agent's directory was made to point at) must
// never let the pipe's server act as the user; it may only learn who we are.
// It counts only with SECURITY_SQOS_PRESENT (both Microsoft Learn,
// "CreateFileW function", and "Impersonation Levels").
inline constexpr DWORD kOpenFlags = FILE_FLAG_BACKUP_SEMANTICS | SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION;

// The form of `path` that the Win32 file calls accept whatever its length, on
// every Windows 10 and 11 and not only where the long-path policy is on: a
// path of MAX_PATH characters or more is made absolute and canonical (the
// "\\?\" form is passed to the file system untouched, so "." and ".." and
// "/" would no longer be understood) and given the "\\?\" or "\\?\UNC\"
// prefix (Microsoft Learn, "Maximum Path Length Limitation"). Paths shorter
// once made absolute, and those that already have a prefix, are returned as
// they are.
//
// Every file the host reads or looks at is opened by this form, and so is
// the agent's program: a read must reach the same file whatever the path's
// length.
std::wstring long_path_form(const std::wstring& path);

// The form of a program's path to pass to CreateProcessW. Past MAX_PATH:
// the path's 8.3 short form when the volume keeps short names and it fits
// within MAX_PATH (taken everywhere, Wine included), else the "\\?\" form,
// which CreateProcessW takes for the program's name on Windows 10 and 11.
std::wstring program_path_form(const std::wstring& path);

}  // namespace wv::detail
