// The typed value rules and the word rule, on values read from text.

#include "datadir/json_rules.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "datadir/json_reader.h"

namespace wv {
namespace {

// A record of one field decoded by Rule, read from the array form: each value
// reaches its rule just as it does inside a published file.
template <auto Rule>
struct Probe {
  rule_value_t<Rule> value{};
};
template <auto Rule>
constexpr Field kProbeFields[] = {field<&Probe<Rule>::value, Rule>("value")};
template <auto Rule>
constexpr Table<Probe<Rule>> kProbe = record_table<Probe<Rule>>(kProbeFields<Rule>, RecordForms::ObjectOrArray);

// What `Rule` makes of the value written as `text`.
template <auto Rule>
Decoded<rule_value_t<Rule>> apply(const std::string& text) {
  EXPECT_TRUE(check_json(text)) << "not a JSON value: " << text;
  auto probe = read_json("[" + text + "]", kProbe<Rule>, {});
  if (!probe) return std::unexpected(probe.error());
  return std::move(probe->value);
}

// Whether `rule` accepts the value written as `text`.
template <auto Rule>
bool accepts(const std::string& text) {
  return apply<Rule>(text).has_value();
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
  EXPECT_EQ(apply<decode_f64>("12"), 12.0);
  EXPECT_EQ(apply<decode_f64>("-3"), -3.0);
  EXPECT_EQ(apply<decode_f64>("1e3"), 1000.0);
  EXPECT_EQ(apply<decode_u32>("4294967295"), 4294967295u);
  EXPECT_EQ(apply<decode_optional<decode_u64>>("null").value(), std::nullopt);
}

constexpr std::string_view kWords[] = {"usb", "wireless", "unknown"};

enum class Link { Usb, Wireless, Unknown };
struct WordProbe {
  Link word = Link::Unknown;
};
constexpr WordSet kStrictWords{kWords, UnknownWord::Invalid};
constexpr WordSet kLenientWords{kWords, UnknownWord::Last};
constexpr Field kStrictFields[] = {word_field<&WordProbe::word>("word", kStrictWords)};
constexpr Field kLenientFields[] = {word_field<&WordProbe::word>("word", kLenientWords)};
constexpr Table<WordProbe> kStrict = record_table<WordProbe>(kStrictFields, RecordForms::ObjectOrArray);
constexpr Table<WordProbe> kLenient = record_table<WordProbe>(kLenientFields, RecordForms::ObjectOrArray);

// The position of the word written as `text`, or nothing when it is refused.
std::optional<std::size_t> word_position_of(const std::string& text, const Table<WordProbe>& table) {
  auto probe = read_json("[" + text + "]", table, {});
  if (!probe) return std::nullopt;
  return static_cast<std::size_t>(probe->word);
}

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
    ASSERT_TRUE(check_json(c.text)) << c.text;
    EXPECT_EQ(word_position_of(c.text, kStrict), c.strict) << c.text;
    EXPECT_EQ(word_position_of(c.text, kLenient), c.lenient) << c.text;
  }
}

}  // namespace
}  // namespace wv
