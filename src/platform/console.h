#pragma once
// The user's console: text written to it, and lines of standard input read
// from it, whatever mode the console or terminal was left in.

#include <cstddef>
#include <optional>
#include <string_view>

namespace wv {

// Writes UTF-8 text whole. On a Windows console the text goes through
// WriteConsoleW, so it shows correctly in any code page; elsewhere the bytes
// go out as they are. False on any failure, a closed pipe included.
bool write_stdout(std::string_view utf8);
bool write_stderr(std::string_view utf8);

// Blocks until standard input yields the end of a line, or ends; the bytes
// read are discarded, never stored. A read error counts as the end. On a
// console or a terminal a carriage return also ends the line, so that Enter
// does whatever mode the input was left in; a pipe's or a file's lines end
// only at a line feed.
void wait_for_stdin_line();

// Blocks until standard input ends (or fails); the bytes read are discarded.
void wait_for_stdin_end();

// One read of standard input, blocking until something is there: the byte
// count, 0 at the end, nothing on an error. A Windows console is read as
// text, UTF-8 here, so that Ctrl+C is not taken for the end of input.
std::optional<std::size_t> read_stdin_some(char* buffer, std::size_t size);

// Where this process reads and writes a console window that belongs to it
// alone, which closes when it exits (on Windows, the one opened because it
// was started from Explorer, or a terminal tab's own; never on POSIX): drops
// what was typed ahead, writes `prompt` to standard error, that window, and
// waits for a line. Nothing anywhere else.
void hold_own_window_open(std::string_view prompt);

// Makes a write to a closed pipe fail with an error instead of killing the
// process (POSIX SIGPIPE); nothing to do on Windows.
void ignore_broken_pipe_signal();

}  // namespace wv
