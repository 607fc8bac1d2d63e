// The typed value rules and the word rule, on values parsed from text.

#include "datadir/json_rules.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace wv {
namespace {

// Whether `rule` accepts the value written as `text`.
template <auto Rule>
bool accepts(const std::string& text) {
  auto v = parse_json(text);
  EXPECT_TRUE(v) << text;
  return v && Rule(*v).has_value();
}

TEST(JsonRules, ScalarsAcceptOnlyTheirOwnKind) {
  struct Case {
    const char* rule;
    std::function<bool(const std::string&)> accepts;
    std::vector<std::string> good, bad;
  };
  const Case cases[] = {
      {"u32", accepts<decode_u32>, {"0", "4294967295"},
       {"4294967296", "-1", "-0", "2.0", "1e3", "\"1\"", "true", "null", "[]"}},
      {"u64", accepts<decode_u64>, {"0", "18446744073709551615"},
       {"18446744073709551616", "-1", "-0", "1.5", "1e3", "\"1\"", "false", "null", "{}"}},
      {"f64", accepts<decode_f64>, {"0", "-0", "-3", "2.5", "1e3", "18446744073709551616", "-9223372036854775809"},
       {"\"1\"", "true", "null", "[]"}},
      {"bool", accepts<decode_bool>, {"true", "false"}, {"1", "0", "\"true\"", "null"}},
      {"text", accepts<decode_text>, {"\"\"", "\"a\\u00e9\""}, {"1", "null", "[\"a\"]", "{}"}},
      {"optional u64", accepts<decode_optional<decode_u64>>, {"null", "7"}, {"12.0", "\"7\"", "-7"}},
  };
  for (const auto& c : cases) {
    for (const auto& t : c.good) EXPECT_TRUE(c.accepts(t)) << c.rule << " should accept " << t;
    for (const auto& t : c.bad) EXPECT_FALSE(c.accepts(t)) << c.rule << " should refuse " << t;
  }
}

TEST(JsonRules, IntegersReadAsFloatingPoint) {
  EXPECT_EQ(decode_f64(*parse_json("12")), 12.0);
  EXPECT_EQ(decode_f64(*parse_json("-3")), -3.0);
  EXPECT_EQ(decode_f64(*parse_json("1e3")), 1000.0);
  EXPECT_EQ(decode_u32(*parse_json("4294967295")), 4294967295u);
  EXPECT_EQ(decode_optional<decode_u64>(*parse_json("null")).value(), std::nullopt);
}

constexpr std::string_view kWords[] = {"usb", "wireless", "unknown"};

TEST(JsonRules, WordsAreStringsOrSingleKeyObjects) {
  struct Case {
    const char* text;
    std::optional<std::size_t> strict;    // with no fallback
    std::optional<std::size_t> lenient;   // unknown words read as the last
  };
  const Case cases[] = {
      {R"("wireless")", 1, 1},
      {R"({"wireless":null})", 1, 1},
      {R"({"wireless":{}})", 1, 1},
      {R"("USB")", std::nullopt, 2},
      {R"("")", std::nullopt, 2},
      {R"({"other":null})", std::nullopt, 2},
      {R"({})", std::nullopt, std::nullopt},
      {R"({"usb":null,"wireless":null})", std::nullopt, std::nullopt},
      {R"({"usb":1})", std::nullopt, std::nullopt},
      {R"({"usb":[]})", std::nullopt, std::nullopt},
      {R"({"usb":{"a":null}})", std::nullopt, std::nullopt},
      {R"(null)", std::nullopt, std::nullopt},
      {R"(0)", std::nullopt, std::nullopt},
      {R"(["usb"])", std::nullopt, std::nullopt},
  };
  for (const auto& c : cases) {
    auto v = parse_json(c.text);
    ASSERT_TRUE(v) << c.text;
    auto strict = decode_word_position(*v, kWords, UnknownWord::Invalid);
    auto lenient = decode_word_position(*v, kWords, UnknownWord::Last);
    EXPECT_EQ(strict ? std::optional(*strict) : std::nullopt, c.strict) << c.text;
    EXPECT_EQ(lenient ? std::optional(*lenient) : std::nullopt, c.lenient) << c.text;
  }
}

}  // namespace
}  // namespace wv
