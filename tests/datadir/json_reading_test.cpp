// The reading rules that both published files share: what counts as one JSON
// document, how numbers are told apart, what the tree keeps, and how deep it
// may nest.

#include "datadir/json_value.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

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
    EXPECT_EQ(parse_json(c.text).has_value(), c.valid) << c.name;
  }
}

TEST(JsonDocument, NumbersKeepTheirKind) {
  using K = JsonValue::Kind;
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
    auto v = parse_json(c.text);
    ASSERT_TRUE(v) << c.text;
    EXPECT_EQ(v->kind(), c.kind) << c.text;
  }
  EXPECT_EQ(parse_json("18446744073709551615")->as_unsigned(), 18446744073709551615u);
}

TEST(JsonDocument, MembersStayInFileOrderWithRepeats) {
  auto v = parse_json(R"({"b":1,"a":"x","b":[true,null]})");
  ASSERT_TRUE(v);
  ASSERT_EQ(v->members().size(), 3u);
  EXPECT_EQ(v->members()[0].key, "b");
  EXPECT_EQ(v->members()[1].key, "a");
  EXPECT_EQ(v->members()[2].key, "b");
  ASSERT_EQ(v->members()[2].value.items().size(), 2u);
  EXPECT_TRUE(v->members()[2].value.items()[1].is_null());
  // Escapes are decoded before keys are compared.
  EXPECT_EQ(parse_json(R"({"\u0061":1})")->members()[0].key, "a");
}

TEST(JsonDepth, KeptValuesStopAt127Levels) {
  EXPECT_TRUE(parse_json(nested_arrays(127)));
  EXPECT_FALSE(parse_json(nested_arrays(128)));
  EXPECT_TRUE(parse_json("{\"a\":" + nested_arrays(125, "{}") + "}"));
  EXPECT_FALSE(parse_json("{\"a\":" + nested_arrays(126, "{}") + "}"));
}

constexpr KeepSchema::Member kKeepOnlyA[] = {{"a"}};
constexpr KeepSchema kKeepA{.members = kKeepOnlyA};

TEST(JsonKeep, MembersNotKeptAreDroppedButMustBeWellFormed) {
  auto v = parse_json(R"({"x":{"y":[1,2]},"a":{"x":1},"z":"s"})", &kKeepA);
  ASSERT_TRUE(v);
  ASSERT_EQ(v->members().size(), 1u);
  EXPECT_EQ(v->members()[0].key, "a");
  // Below a kept member with no schema of its own everything is kept.
  EXPECT_EQ(v->members()[0].value.members().size(), 1u);
  EXPECT_FALSE(parse_json(R"({"x":[1,,2],"a":1})", &kKeepA));
  EXPECT_FALSE(parse_json(R"({"x":"\ud800","a":1})", &kKeepA));
}

TEST(JsonKeep, DroppedValuesAreDepthLimitedOnlyWhenAskedTo) {
  const std::string at127 = "{\"x\":" + nested_arrays(126) + "}";
  const std::string at128 = "{\"x\":" + nested_arrays(127) + "}";
  const std::string million = "{\"x\":" + nested_arrays(1'000'000) + ",\"a\":1}";
  EXPECT_TRUE(parse_json(at127, &kKeepA, SkippedNesting::Limited));
  EXPECT_FALSE(parse_json(at128, &kKeepA, SkippedNesting::Limited));
  EXPECT_FALSE(parse_json(million, &kKeepA, SkippedNesting::Limited));
  EXPECT_TRUE(parse_json(at128, &kKeepA, SkippedNesting::Unlimited));
  auto deep = parse_json(million, &kKeepA, SkippedNesting::Unlimited);
  ASSERT_TRUE(deep);
  EXPECT_EQ(deep->members().size(), 1u);
  // Cut short inside the dropped value is still malformed.
  EXPECT_FALSE(parse_json("{\"x\":" + std::string(1'000'000, '['), &kKeepA, SkippedNesting::Unlimited));
}

TEST(JsonDepth, AMillionLevelsAreRefusedInBoundedStack) {
  EXPECT_FALSE(parse_json(nested_arrays(1'000'000)));
  EXPECT_FALSE(parse_json(std::string(1'000'000, '[')));
}

}  // namespace
}  // namespace wv
