// The reading rules that both published files share: what counts as one JSON
// document, how numbers are told apart, how deep values may nest, and that
// the library's strict parse alone refuses every ill-formed UTF-8 sequence.

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "datadir/device_index.h"
#include "datadir/device_status.h"
#include "platform/text.h"
#include "tests/support/status_json.h"

namespace wv {
namespace {

std::string nested_arrays(std::size_t depth, std::string_view inner = "") {
  return std::string(depth, '[') + std::string(inner) + std::string(depth, ']');
}

constexpr const char* kTooDeep = "arrays and objects nested deeper than 127 levels";

TEST(JsonDocument, OneValueWithOnlyJsonWhitespaceAround) {
  struct Case {
    const char* name;
    std::string text;
    std::string error;  // empty for a valid document
  };
  const Case cases[] = {
      {"bare", "{}", ""},
      {"space tab cr lf around", " \t\r\n{}\r\n\t ", ""},
      {"byte-order mark", "\xEF\xBB\xBF{}", "a byte-order mark before the value"},
      {"byte-order mark after whitespace", " \xEF\xBB\xBF{}", "not well-formed JSON at byte 2"},
      {"trailing text", "{} x", "not well-formed JSON at byte 4"},
      {"second value", "{}{}", "not well-formed JSON at byte 3"},
      {"NUL then text after the value", std::string("{} \0 x", 6), "a NUL byte"},
      {"NUL before the value", std::string("\0{}", 3), "a NUL byte"},
      {"vertical tab", "\v{}", "not well-formed JSON at byte 1"},
      {"form feed after", "{}\f", "not well-formed JSON at byte 3"},
      {"empty", "", "not well-formed JSON at byte 1"},
      {"whitespace only", " \n", "not well-formed JSON at byte 3"},
      {"comment", "/* c */{}", "not well-formed JSON at byte 1"},
      {"trailing comma", R"({"x":[1,]})", "not well-formed JSON at byte 9"},
      {"cut short", R"({"x": [1, 2)", "not well-formed JSON at byte 12"},
      {"surrogate pair escape", R"({"x":"\ud83d\ude00"})", ""},
      {"unpaired high surrogate escape", R"({"x":"\ud800"})", "not well-formed JSON at byte 13"},
      {"unpaired low surrogate escape", R"({"x":"\udc00"})", "not well-formed JSON at byte 12"},
      {"high surrogate then letter", R"({"x":"\ud800a"})", "not well-formed JSON at byte 13"},
      {"invalid UTF-8 byte in a string", "{\"x\":\"\xFF\"}", "not well-formed JSON at byte 7"},
      {"overlong UTF-8", "{\"x\":\"\xC0\xAF\"}", "not well-formed JSON at byte 7"},
      {"encoded surrogate", "{\"x\":\"\xED\xA0\x80\"}", "not well-formed JSON at byte 8"},
      {"raw control character in a string", "{\"x\":\"a\x01\"}", "not well-formed JSON at byte 8"},
      {"number out of the double range", R"({"x":1e400})", "not well-formed JSON at byte 10"},
  };
  for (const auto& c : cases) {
    auto got = decode_index(c.text);
    EXPECT_EQ(got ? "" : got.error().message(), c.error) << c.name;
  }
}

// The library tells integers written with and without a minus sign, and
// wider than 64 bits, apart; a text field's refusal names the kind it got.
TEST(JsonDocument, NumbersKeepTheirKind) {
  const std::pair<const char*, const char*> cases[] = {
      {"0", "an unsigned integer"},
      {"18446744073709551615", "an unsigned integer"},
      {"18446744073709551616", "a number with a fraction or exponent"},
      {"-0", "a negative integer"},
      {"-9223372036854775808", "a negative integer"},
      {"-9223372036854775809", "a number with a fraction or exponent"},
      {"2.0", "a number with a fraction or exponent"},
      {"1e3", "a number with a fraction or exponent"},
      {"-0.0", "a number with a fraction or exponent"},
  };
  for (const auto& [text, kind] : cases) {
    auto got = decode_index("[1," + std::string(text) + "]");
    ASSERT_FALSE(got) << text;
    EXPECT_EQ(got.error().message(), "agent_version: must be a string, not " + std::string(kind)) << text;
  }
}

TEST(JsonDepth, ValuesStopAt127LevelsWhateverTheInnermostIs) {
  EXPECT_TRUE(decode_status(test::status_json({{"x", nested_arrays(125, "{}")}})));
  EXPECT_EQ(decode_status(test::status_json({{"x", nested_arrays(126, "{}")}})).error().message(), kTooDeep);
}

TEST(JsonDepth, AMillionLevelsAreReadInBoundedStack) {
  EXPECT_EQ(decode_status(test::status_json_open() + ",\"x\":" + std::string(1'000'000, '[')).error().message(),
            kTooDeep);
  // Skipped without a limit, a million levels are read through on a count.
  EXPECT_TRUE(decode_index("{\"x\":" + nested_arrays(1'000'000) + "}"));
  EXPECT_EQ(decode_index("{\"x\":" + std::string(1'000'000, '[')).error().message(),
            "not well-formed JSON at byte 1000006");
}

// Files are not checked for UTF-8 before they are parsed: the library's strict
// parse refuses ill-formed sequences wherever they stand. Each kind of broken
// sequence, put in at every byte of valid files (inside strings and keys,
// between and inside tokens, before and after the value), makes the file
// invalid; the same character written well-formed inside a string does not.
TEST(JsonUtf8, EveryIllFormedSequenceAnywhereIsRefusedByTheParseAlone) {
  const std::vector<std::string> ill_formed = {
      "\x80",
      "\xBF",  // a continuation byte alone
      "\xC0\xAF",
      "\xC1\xBF",  // overlong two-byte forms
      "\xE0\x80\xAF",
      "\xE0\x9F\xBF",  // overlong three-byte forms
      "\xF0\x80\x80\xAF",
      "\xF0\x8F\xBF\xBF",  // overlong four-byte forms
      "\xED\xA0\x80",
      "\xED\xBF\xBF",      // UTF-16 surrogates
      "\xF4\x90\x80\x80",  // above U+10FFFF
      "\xF5\x80\x80\x80",
      "\xF8",
      "\xFE",
      "\xFF",  // bytes that never begin a sequence
      "\xC3",
      "\xE2\x82",
      "\xF0\x9F\x98",  // sequences cut short
      "\xC3\x28",
      "\xE2\x28\xA1",
      "\xF0\x28\x8C\xBC",  // a lead byte followed by ASCII
  };
  const std::string status = R"({"udid":"U","version":1,"agent_version":"a","connected":true,"session":{"idle":null},)"
                             R"("remediation":"r","route":["i",null,"n",-1.5e2],"x":[false,{"k":"v"}]})";
  const std::string index = R"({"devices":[{"udid":"A","name":"n"},["B"]],"x":{"y":[1,-2.5e3,true]}})";
  ASSERT_TRUE(decode_status(status));
  ASSERT_TRUE(decode_index(index));
  for (const std::string& bad : ill_formed) {
    ASSERT_FALSE(is_valid_utf8(bad));
    for (std::size_t at = 0; at <= status.size(); ++at) {
      EXPECT_FALSE(decode_status(status.substr(0, at) + bad + status.substr(at))) << "status, at " << at;
    }
    for (std::size_t at = 0; at <= index.size(); ++at) {
      EXPECT_FALSE(decode_index(index.substr(0, at) + bad + index.substr(at))) << "index, at " << at;
    }
  }
  // In a key and in a value, well-formed characters of each length are kept.
  const std::string good = "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80";
  auto got = decode_status(R"({"udid":")" + good +
                           R"(","version":1,"agent_version":"","connected":true,)"
                           R"("session":"idle","remediation":"","x)" +
                           good + R"(":0})");
  ASSERT_TRUE(got);
  EXPECT_EQ(got->udid, good);
}

}  // namespace
}  // namespace wv
