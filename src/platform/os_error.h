#pragma once
// An operating-system error code with the platform's own message for it.

#include <string>

namespace wv {

struct OsError {
  long code = 0;
  std::string message;  // UTF-8, without trailing white space

  // "<message> (os error <code>)"
  std::string text() const { return message + " (os error " + std::to_string(code) + ")"; }
};

// The error of the calling thread's last failed OS call (errno / GetLastError).
OsError last_os_error();
// The error for a given code, with the platform's message.
OsError os_error_from_code(long code);

}  // namespace wv
