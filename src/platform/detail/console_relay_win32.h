#pragma once
// Windows only, internal to the platform layer: text written to this
// process's console, and what a child writes to a pipe copied there.
//
// A child started without a console window of its own cannot write to ours:
// a console handle writes to the console of the process that uses it, and the
// child's own console is invisible. So the child writes to a pipe, and a
// thread of ours copies the pipe to our console, between our own writes.

#include <windows.h>

#include <expected>
#include <future>
#include <string_view>

#include "platform/detail/unique_handle.h"
#include "platform/os_error.h"

namespace wv::detail {

// The one way text reaches a console: each call is written whole under one
// lock for the process, so text copied from a child's pipe lands between the
// host's own writes, never inside one of them. False when the console refuses
// a part of it (it may be gone).
bool write_console_whole(HANDLE console, std::u16string_view text);

// Reads `pipe` until every writer has gone, writing what arrives to `console`
// (UTF-8 in, whole characters out), on a thread of its own that owns the
// pipe. A console that refuses the text does not stop the reading: a writer
// must never block on a pipe nobody empties. The future is ready once the
// pipe has ended and its text has been written.
std::expected<std::future<void>, OsError> start_console_relay(UniqueHandle pipe, HANDLE console);

}  // namespace wv::detail
