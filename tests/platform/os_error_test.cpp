#include "platform/os_error.h"

#include <gtest/gtest.h>

#include <string>

namespace wv {
namespace {

// Code 2 means "no such file" on both platforms (ENOENT, ERROR_FILE_NOT_FOUND).
constexpr long kNotFound = 2;

TEST(OsErrorTest, TextIsThePlatformsMessageThenTheCode) {
  for (long code : {kNotFound, 5L, 0x7FFF'FFF0L}) {
    OsError e = os_error_from_code(code);
    EXPECT_EQ(e.code, code);
    ASSERT_FALSE(e.message.empty()) << code;
    // FormatMessage ends its texts with CR LF; a message is one clean line.
    EXPECT_EQ(e.message.find_first_of("\r\n"), std::string::npos) << e.message;
    EXPECT_NE(e.message.back(), ' ') << e.message;
    EXPECT_EQ(e.text(), e.message + " (os error " + std::to_string(code) + ")");
  }
}

TEST(OsErrorTest, SameCodeSameMessage) {
  EXPECT_EQ(os_error_from_code(kNotFound).message, os_error_from_code(kNotFound).message);
  EXPECT_NE(os_error_from_code(kNotFound).message, os_error_from_code(5).message);
}

TEST(OsErrorTest, TheMessagesPlaceForItsSubjectIsFilled) {
  struct Case {
    std::string message, subject, expected;
  };
  const Case cases[] = {
      {"%1 is not a valid Win32 application.", "C:\\agent.exe", "C:\\agent.exe is not a valid Win32 application."},
      {"Bad EXE format for %1.", "a%1b", "Bad EXE format for a%1b."},  // the subject is not read again
      {"No such file or directory", "x", "No such file or directory"},
  };
  for (const Case& c : cases) {
    OsError filled = OsError{193, c.message}.with_subject(c.subject);
    EXPECT_EQ(filled.message, c.expected);
    EXPECT_EQ(filled.code, 193);
  }
}

}  // namespace
}  // namespace wv
