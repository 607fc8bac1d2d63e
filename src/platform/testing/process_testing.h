#pragma once
// Processes as the tests and the simulated agent see them: what a user or a
// terminal does to a process from outside, and what a process holds open.

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "platform/process.h"

namespace wv {

// Sends the terminal's interrupt (SIGINT) to the process group that `child`
// leads, as a terminal would. False where the platform has no such thing.
bool interrupt_process_group(const ChildProcess& child);

// Handles (Windows) or descriptors (POSIX) the calling process holds open.
std::optional<std::size_t> open_handle_count();

// A description of each handle or descriptor this process holds, where the
// platform can list them (POSIX: "<fd> -> <target>"); empty where it cannot.
std::vector<std::string> describe_open_handles();

// The calling process's id.
long current_process_id();

// Forcibly ends the process with the given id, which need not be a child of
// the caller (SIGKILL; TerminateProcess with exit code 1), as a user killing
// it would. False if it could not.
bool kill_process(long id);

}  // namespace wv
