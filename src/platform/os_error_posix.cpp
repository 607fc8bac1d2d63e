#include "platform/os_error.h"

#include <cerrno>
#include <cstring>

namespace wv {

OsError last_os_error() { return os_error_from_code(errno); }

OsError os_error_from_code(long code) {
  char buffer[256] = {};
  // The GNU strerror_r may return a static string instead of filling the buffer.
  const char* text = strerror_r(static_cast<int>(code), buffer, sizeof buffer);
  return OsError{code, text ? text : "unknown error"};
}

}  // namespace wv
