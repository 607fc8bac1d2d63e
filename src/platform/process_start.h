#pragma once
// What the host puts right about the process it was handed, before it does
// anything else.

namespace wv {

// POSIX: SIGCHLD goes back to its default, so that a launcher that ignores it
// (the kernel then reaps our children itself) cannot make our waits for the
// agent fail; and each of descriptors 0-2 that is closed is filled with
// /dev/null opened for reading only, so that no file opened later can take
// its number. A filled stream behaves as the closed one did: stdin reads as
// its end, and a write to stdout or stderr still fails.
// Windows: the DLL search leaves out the executable's own directory, and
// neither a crash nor a critical error opens a dialog that would hold this
// process or the agents it starts, which inherit the error mode.
// Nothing here can fail in a way the host could mend; a step that does not
// take leaves that part as it was.
void prepare_process_at_start();

}  // namespace wv
