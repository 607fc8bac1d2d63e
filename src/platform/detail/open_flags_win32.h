#pragma once
// Windows only: how this process opens a file it only reads or looks at.
// Internal to the platform layer.

#include <windows.h>

namespace wv {

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

}  // namespace wv
