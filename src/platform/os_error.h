#pragma once
// An operating-system error code with the platform's own message for it.

#include <string>
#include <string_view>

namespace wv {

struct OsError {
  long code = 0;
  std::string message;  // UTF-8, without trailing white space

  // "<message> (os error <code>)"
  std::string text() const { return message + " (os error " + std::to_string(code) + ")"; }

  // Some Windows messages leave a place for what they are about ("%1 is not
  // a valid Win32 application."); this fills it with `subject`.
  OsError with_subject(std::string_view subject) const {
    OsError filled{code, {}};
    std::string_view rest = message;
    for (std::size_t at; (at = rest.find("%1")) != std::string_view::npos; rest.remove_prefix(at + 2)) {
      filled.message.append(rest.substr(0, at)).append(subject);
    }
    filled.message.append(rest);
    return filled;
  }
};

// The error of the calling thread's last failed OS call (errno / GetLastError).
OsError last_os_error();
// The error for a given code, with the platform's message.
OsError os_error_from_code(long code);

}  // namespace wv
