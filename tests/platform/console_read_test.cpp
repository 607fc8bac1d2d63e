// How a console read is taken, decided apart from the call so that it runs on
// both platforms: Wine cuts no console read off with Ctrl+C as Windows does.

#include "platform/console_read.h"

#include <gtest/gtest.h>

namespace wv::detail {
namespace {

TEST(ConsoleReadTest, OnlyAReadCutOffByCtrlCIsReadAgainAndCtrlZFirstIsTheEnd) {
  struct Case {
    bool succeeded;
    std::u16string_view text;
    std::uint32_t last_error;
    ConsoleRead expected;
  };
  constexpr std::uint32_t kInvalidHandle = 6;
  const Case cases[] = {
      {true, u"", kConsoleReadAborted, ConsoleRead::Again},  // Ctrl+C or Ctrl+Break
      {false, u"", kConsoleReadAborted, ConsoleRead::Again},
      {true, u"\r\n", 0, ConsoleRead::Text},  // Enter
      {true, u"stop\r\n", kConsoleReadAborted, ConsoleRead::Text},  // a stale error on real text
      {true, u"\x1a\r\n", 0, ConsoleRead::End},  // Ctrl+Z, Enter
      {true, u"ab\x1a\r\n", 0, ConsoleRead::Text},  // only first does it end the input
      {true, u"", 0, ConsoleRead::End},
      {false, u"", kInvalidHandle, ConsoleRead::Failure},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(classify_console_read(c.succeeded, c.text, c.last_error), c.expected)
        << "succeeded " << c.succeeded << ", " << c.text.size() << " units, error " << c.last_error;
  }
}

}  // namespace
}  // namespace wv::detail
