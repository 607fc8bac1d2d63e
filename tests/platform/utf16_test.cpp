// UTF-16 is what every Win32 text call takes and gives back; these run on
// both platforms, so a fault shows natively before it shows under Wine.

#include "platform/text.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace wv {
namespace {

TEST(Utf16Test, Utf8ToUtf16KeepsEveryScalarAndReplacesEachBadByte) {
  struct Case {
    std::string_view utf8;
    std::u16string_view utf16;
  };
  const Case cases[] = {
      {"", u""},
      {"plain", u"plain"},
      {"Ana\xE2\x80\x99s \xE2\x80\x94 \xE2\x80\xA6", u"Ana\u2019s \u2014 \u2026"},
      {"\xF0\x9F\x93\x8D pin", u"\U0001F4CD pin"},            // a surrogate pair
      {"\xEF\xBF\xBF\xF0\x90\x80\x80", u"\uFFFF\U00010000"},  // the last of the BMP, the first past it
      {"\xF4\x8F\xBF\xBF", u"\U0010FFFF"},                    // the last scalar value
      {"a\xFF"
       "b",
       u"a\uFFFDb"},                                      // a byte that starts nothing
      {"\xE2\x80", u"\uFFFD\uFFFD"},                      // cut short at the end
      {"\xC0\xAF", u"\uFFFD\uFFFD"},                      // overlong '/'
      {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},            // an encoded surrogate
      {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // above U+10FFFF
  };
  for (const Case& c : cases) EXPECT_EQ(utf16_from_utf8(c.utf8), c.utf16) << c.utf8;
}

TEST(Utf16Test, Utf16ToUtf8ReplacesOnlyUnpairedSurrogates) {
  struct Case {
    std::u16string utf16;
    std::string_view utf8;
  };
  const Case cases[] = {
      {u"", ""},
      {u"Caf\u00E9", "Caf\xC3\xA9"},
      {u"\u007F\u0080", "\x7F\xC2\x80"},  // the last one-byte character, the first two-byte one
      {u"\U0001F4CD", "\xF0\x9F\x93\x8D"},
      {u"\uFFFF\U00010000", "\xEF\xBF\xBF\xF0\x90\x80\x80"},  // the last of the BMP, the first past it
      {u"\U0010FFFF", "\xF4\x8F\xBF\xBF"},                    // the highest halves, U+DBFF U+DFFF
      {std::u16string{u'a', 0xD83D}, "a\xEF\xBF\xBD"},        // high half at the end
      {std::u16string{0xD83D, u'a'},
       "\xEF\xBF\xBD"
       "a"},                                                         // high half, then no low
      {std::u16string{0xDCCD, 0xD83D}, "\xEF\xBF\xBD\xEF\xBF\xBD"},  // the halves reversed
      {std::u16string{u'x', 0, u'y'}, std::string_view("x\0y", 3)},  // NUL is text too
  };
  for (const Case& c : cases) EXPECT_EQ(utf8_from_utf16_lossy(c.utf16), c.utf8);
}

TEST(Utf16Test, ChunksNeverEndBetweenTheHalvesOfASurrogatePair) {
  const std::u16string pin = u"\U0001F4CD";  // two units
  struct Case {
    std::u16string text;
    std::size_t max_units;
    std::size_t expected;
  };
  const Case cases[] = {
      {u"abc", 8, 3},
      {u"abcdef", 4, 4},
      {u"abc" + pin + u"d", 4, 3},  // the pair would straddle the limit
      {u"abc" + pin + u"d", 5, 5},  // the pair fits whole
      {u"ab" + pin + pin, 3, 2},
      {std::u16string{u'a', u'b', 0xD83D, u'c'}, 3, 3},  // a lone high half is not a pair
      {pin + pin, 1, 1},                                 // no room for a whole pair: still progress
  };
  for (const Case& c : cases) EXPECT_EQ(utf16_chunk_length(c.text, c.max_units), c.expected) << c.max_units;
}

// A pipe's reads cut the agent's text anywhere; what reaches the console must
// read as the whole text would.
TEST(Utf16Test, TextArrivingInPiecesConvertsAsTheWholeWithNoCharacterCutInTwo) {
  Utf16StreamDecoder d;
  EXPECT_EQ(d.decode("a\xE2\x80"), u"a");  // the dash's first two bytes wait
  EXPECT_EQ(d.decode("\x94"
                     "b\xF0\x9F"),
            u"\u2014b");
  EXPECT_EQ(d.decode("\x93\x8D"), u"\U0001F4CD");
  EXPECT_EQ(d.decode("\xE0\x80"), u"\uFFFD\uFFFD");  // nothing can complete these: out at once
  EXPECT_EQ(d.decode("\xF0\x9F\x93"), u"");
  EXPECT_EQ(d.finish(), u"\uFFFD\uFFFD\uFFFD");  // unfinished at the end
  EXPECT_EQ(d.finish(), u"");

  const std::string_view texts[] = {
      "Ana\xE2\x80\x99s \xE2\x80\x94 \xE2\x80\xA6 \xF0\x9F\x93\x8D \xC3\xA9",
      "\xE0\xA0\x80 \xED\x9F\xBF \xF0\x90\x80\x80 \xF4\x8F\xBF\xBF",                     // the edges of each form
      "\xE0\x9F\x80 \xED\xA0\x80 \xF0\x8F\xBF\xBF \xF4\x90\x80\x80 \xC0\xAF \xFF \x80",  // ill-formed
      "x\xF0\x9F\x93",                                                                   // cut short for good
  };
  for (std::string_view text : texts) {
    const std::u16string whole = utf16_from_utf8(text);
    for (std::size_t cut = 0; cut <= text.size(); ++cut) {
      Utf16StreamDecoder two;
      std::u16string out = two.decode(text.substr(0, cut));
      out += two.decode(text.substr(cut));
      out += two.finish();
      EXPECT_EQ(out, whole) << "cut at " << cut << " of " << text;
    }
    Utf16StreamDecoder bytewise;
    std::u16string out;
    for (char c : text) out += bytewise.decode(std::string_view(&c, 1));
    EXPECT_EQ(out + bytewise.finish(), whole) << "byte by byte: " << text;
  }
}

}  // namespace
}  // namespace wv
