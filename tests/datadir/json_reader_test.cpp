// The reading rules that both published files share: what counts as one JSON
// document, how numbers are told apart, how deep values may nest, and that
// the library's strict parse alone refuses every ill-formed UTF-8 sequence.

#include "datadir/json_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "datadir/device_index.h"
#include "datadir/device_status.h"
#include "platform/utf8.h"

namespace wv {
namespace {

std::string nested_arrays(std::size_t depth, std::string_view inner = "") {
  return std::string(depth, '[') + std::string(inner) + std::string(depth, ']');
}

struct DocumentCase {
  const char* name;
  std::string text;
  bool valid;
};

// A record with one field that keeps what kind of value it was given.
struct KindProbe {
  JsonKind kind = JsonKind::Null;
};
Decoded<JsonKind> kind_of(JsonToken& v) { return v.kind; }
constexpr Field kKindFields[] = {field<&KindProbe::kind, kind_of>("value")};
constexpr Table<KindProbe> kKind = record_table<KindProbe>(kKindFields, RecordForms::ObjectOrArray);

TEST(JsonDocument, OneValueWithOnlyJsonWhitespaceAround) {
  const DocumentCase cases[] = {
      {"bare", "{}", true},
      {"space tab cr lf around", " \t\r\n{}\r\n\t ", true},
      {"byte-order mark", "\xEF\xBB\xBF{}", false},
      {"byte-order mark after whitespace", " \xEF\xBB\xBF{}", false},
      {"trailing text", "{} x", false},
      {"second value", "{}{}", false},
      {"NUL then text after the value", std::string("{} \0 x", 6), false},
      {"NUL before the value", std::string("\0{}", 3), false},
      {"vertical tab", "\v{}", false},
      {"form feed after", "{}\f", false},
      {"empty", "", false},
      {"whitespace only", " \n", false},
      {"comment", "/* c */{}", false},
      {"trailing comma", "[1,]", false},
      {"cut short", R"({"a": [1, 2)", false},
      {"surrogate pair escape", R"("\ud83d\ude00")", true},
      {"unpaired high surrogate escape", R"("\ud800")", false},
      {"unpaired low surrogate escape", R"("\udc00")", false},
      {"high surrogate then letter", R"("\ud800a")", false},
      {"invalid UTF-8 byte in a string", "\"\xFF\"", false},
      {"overlong UTF-8", "\"\xC0\xAF\"", false},
      {"encoded surrogate", "\"\xED\xA0\x80\"", false},
      {"raw control character in a string", "\"a\x01\"", false},
      {"number out of the double range", "1e400", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(check_json(c.text).has_value(), c.valid) << c.name;
  }
}

TEST(JsonDocument, NumbersKeepTheirKind) {
  using K = JsonKind;
  struct Case {
    const char* text;
    K kind;
  };
  const Case cases[] = {
      {"0", K::Unsigned},  {"18446744073709551615", K::Unsigned}, {"18446744073709551616", K::Float},
      {"-0", K::Negative}, {"-9223372036854775808", K::Negative}, {"-9223372036854775809", K::Float},
      {"2.0", K::Float},   {"1e3", K::Float},                     {"-0.0", K::Float},
  };
  for (const auto& c : cases) {
    auto v = read_json("[" + std::string(c.text) + "]", kKind, {});
    ASSERT_TRUE(v) << c.text;
    EXPECT_EQ(v->kind, c.kind) << c.text;
  }
}

TEST(JsonDepth, ValuesStopAt127Levels) {
  EXPECT_TRUE(check_json(nested_arrays(127)));
  EXPECT_FALSE(check_json(nested_arrays(128)));
  EXPECT_TRUE(check_json("{\"a\":" + nested_arrays(125, "{}") + "}"));
  EXPECT_FALSE(check_json("{\"a\":" + nested_arrays(126, "{}") + "}"));
}

TEST(JsonDepth, AMillionLevelsAreRefusedInBoundedStack) {
  EXPECT_FALSE(check_json(nested_arrays(1'000'000)));
  EXPECT_FALSE(check_json(std::string(1'000'000, '[')));
  // Skipped without a limit, a million levels are read through on a count.
  EXPECT_TRUE(decode_index("{\"x\":" + nested_arrays(1'000'000) + "}"));
  EXPECT_FALSE(decode_index("{\"x\":" + std::string(1'000'000, '[')));
}

// Files are not checked for UTF-8 before they are parsed: the library's strict
// parse refuses ill-formed sequences wherever they stand. Each kind of broken
// sequence, put in at every byte of valid files (inside strings and keys,
// between and inside tokens, before and after the value), makes the file
// invalid; the same character written well-formed inside a string does not.
TEST(JsonUtf8, EveryIllFormedSequenceAnywhereIsRefusedByTheParseAlone) {
  const std::vector<std::string> ill_formed = {
      "\x80", "\xBF",                                  // a continuation byte alone
      "\xC0\xAF", "\xC1\xBF",                          // overlong two-byte forms
      "\xE0\x80\xAF", "\xE0\x9F\xBF",                  // overlong three-byte forms
      "\xF0\x80\x80\xAF", "\xF0\x8F\xBF\xBF",          // overlong four-byte forms
      "\xED\xA0\x80", "\xED\xBF\xBF",                  // UTF-16 surrogates
      "\xF4\x90\x80\x80",                              // above U+10FFFF
      "\xF5\x80\x80\x80", "\xF8", "\xFE", "\xFF",      // bytes that never begin a sequence
      "\xC3", "\xE2\x82", "\xF0\x9F\x98",               // sequences cut short
      "\xC3\x28", "\xE2\x28\xA1", "\xF0\x28\x8C\xBC", // a lead byte followed by ASCII
  };
  const std::string status =
      R"({"udid":"U","version":1,"agent_version":"a","connected":true,"session":{"idle":null},)"
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
  auto got = decode_status(R"({"udid":")" + good + R"(","version":1,"agent_version":"","connected":true,)"
                           R"("session":"idle","remediation":"","x)" + good + R"(":0})");
  ASSERT_TRUE(got);
  EXPECT_EQ(got->udid, good);
}

}  // namespace
}  // namespace wv
