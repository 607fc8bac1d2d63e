#pragma once
// Windows only, internal to the platform layer: what a child writes to a pipe,
// copied onto this process's console.
//
// A child started without a console window of its own cannot write to ours:
// a console handle writes to the console of the process that uses it, and the
// child's own console is invisible. So the child writes to a pipe, and a
// thread of ours copies the pipe to our console, between our own writes.

#include <windows.h>

#include <expected>
#include <future>

#include "platform/os_error.h"
#include "platform/detail/unique_handle.h"

namespace wv::detail {

// Reads `pipe` until every writer has gone, writing what arrives to `console`
// (UTF-8 in, whole characters out), on a thread of its own that owns the
// pipe. A console that refuses the text does not stop the reading: a writer
// must never block on a pipe nobody empties. The future is ready once the
// pipe has ended and its text has been written.
std::expected<std::future<void>, OsError> start_console_relay(UniqueHandle pipe, HANDLE console);

}  // namespace wv::detail
