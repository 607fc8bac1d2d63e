#include "platform/os_error.h"

#include <windows.h>

#include "platform/text.h"

namespace wv {

OsError last_os_error() { return os_error_from_code(static_cast<long>(GetLastError())); }

OsError os_error_from_code(long code) {
  wchar_t* buffer = nullptr;
  DWORD length =
      FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                     nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring message;
  if (length != 0 && buffer != nullptr) message.assign(buffer, length);
  if (buffer != nullptr) LocalFree(buffer);
  message.erase(message.find_last_not_of(L" \r\n\t") + 1);  // npos + 1: all of it
  if (message.empty()) message = L"unknown error";
  return OsError{code, native_to_utf8_lossy(message)};
}

}  // namespace wv
