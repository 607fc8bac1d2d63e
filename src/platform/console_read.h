#pragma once
// What one ReadConsoleW call on a console's input means to a reader that
// wants bytes and an end. Pure code, so both platforms build and test it;
// stream_io_win32.cpp makes the call. Internal to the platform layer.

#include <cstdint>
#include <string_view>

namespace wv::detail {

// ERROR_OPERATION_ABORTED, kept here so that the decision needs no Windows
// header; the Windows build checks that the two agree.
inline constexpr std::uint32_t kConsoleReadAborted = 995;

enum class ConsoleRead {
  Text,     // characters to pass on
  Again,    // nothing was read and nothing ended: read again
  End,      // the end of input
  Failure,  // a real error
};

// `succeeded` is what the call returned, `text` the characters it read and
// `last_error` GetLastError() just after it, cleared just before it.
ConsoleRead classify_console_read(bool succeeded, std::u16string_view text, std::uint32_t last_error);

}  // namespace wv::detail
