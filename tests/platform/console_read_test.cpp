// How a console read is taken, decided apart from the call so that it runs on
// both platforms: Wine cuts no console read off with Ctrl+C as Windows does.

#include "platform/detail/console_read.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

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
      {true, u"\r\n", 0, ConsoleRead::Text},                        // Enter
      {true, u"stop\r\n", kConsoleReadAborted, ConsoleRead::Text},  // a stale error on real text
      {true, u"\x1a\r\n", 0, ConsoleRead::End},                     // Ctrl+Z, Enter
      {true, u"ab\x1a\r\n", 0, ConsoleRead::Text},                  // only first does it end the input
      {true, u"", 0, ConsoleRead::End},
      {false, u"", kInvalidHandle, ConsoleRead::Failure},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(classify_console_read(c.succeeded, c.text, c.last_error), c.expected)
        << "succeeded " << c.succeeded << ", " << c.text.size() << " units, error " << c.last_error;
  }
}

// Enter as each console input mode hands it over, one read at a time: the
// reads that end a line, counted from 1.
TEST(ConsoleReadTest, TypedInputEndsAtACarriageReturnAndAStreamOnlyAtALineFeed) {
  struct Case {
    const char* what;
    std::vector<std::string_view> reads;
    InputSource source;
    std::vector<std::size_t> ending_reads;
  };
  const std::string long_line(600, 'x');
  const Case cases[] = {
      {"line and processed input (the default)", {"stop\r\n"}, InputSource::Typed, {1}},
      {"no line input: keys as typed", {"s", "t", "\r"}, InputSource::Typed, {3}},
      {"no processed input: Enter is a bare CR", {"stop\r"}, InputSource::Typed, {1}},
      {"neither", {"\r", "\r"}, InputSource::Typed, {1, 2}},
      {"a line longer than one read", {long_line, "x\r\n"}, InputSource::Typed, {2}},
      {"CR and LF in two reads are one Enter", {"stop\r", "\n", "\r\n"}, InputSource::Typed, {1, 3}},
      {"a terminal in canonical mode", {"stop\n", "\n"}, InputSource::Typed, {1, 2}},
      {"a pipe's carriage return", {"\r", "stop\r"}, InputSource::Stream, {}},
      {"a pipe's line, longer than one read", {long_line, "x\r\n"}, InputSource::Stream, {2}},
  };
  for (const Case& c : cases) {
    LineEnds line_ends(c.source);
    std::vector<std::size_t> endings;
    for (std::size_t i = 0; i < c.reads.size(); ++i) {
      if (line_ends.ends_line(c.reads[i])) endings.push_back(i + 1);
    }
    EXPECT_EQ(endings, c.ending_reads) << c.what;
  }
}

}  // namespace
}  // namespace wv::detail
