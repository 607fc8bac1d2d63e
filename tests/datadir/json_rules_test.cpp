// The typed value rules and the word rule, on values read from text.

#include "datadir/json_rules.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "datadir/json_reader.h"

namespace wv {
namespace {

// A record of one member of type T, read from the array form: each value
// reaches its rule just as it does inside a published file.
template <class T>
struct Probe {
  T value{};
};
template <class T>
constexpr Field kProbeFields[] = {WV_FIELD(Probe<T>, value)};

enum class Link { Usb, Wireless, Unknown };      // reads other words as Unknown
enum class StrictLink { Usb, Wireless, Other };  // refuses other words

constexpr std::string_view word_of(Link value) {
  switch (value) {
    case Link::Usb: return "usb";
    case Link::Wireless: return "wireless";
    case Link::Unknown: return "unknown";
  }
  return {};
}

constexpr std::string_view word_of(StrictLink value) { return word_of(static_cast<Link>(value)); }

}  // namespace

template <class T>
constexpr RecordTable kTable<Probe<T>> = table<Probe<T>>(kProbeFields<T>, RecordForms::ObjectOrArray);

namespace {

// What the rule for T makes of the value written as `text`. A refusal must
// come from the rule, not from text that is no JSON value.
template <class T>
Decoded<T> apply(const std::string& text) {
  auto probe = read_json<Probe<T>>("[" + text + "]", {});
  if (!probe) {
    EXPECT_EQ(probe.error().where, "value") << text << ": " << probe.error().message();
    return std::unexpected(probe.error());
  }
  return std::move(probe->value);
}

template <class T>
bool accepts(const std::string& text) {
  return apply<T>(text).has_value();
}

TEST(JsonRules, ScalarsAcceptOnlyTheirOwnKind) {
  struct Case {
    const char* rule;
    std::function<bool(const std::string&)> accepts;
    std::vector<std::string> good, bad;
  };
  const Case cases[] = {
      {"u32",
       accepts<std::uint32_t>,
       {"0", "4294967295"},
       {"4294967296", "-1", "-0", "2.0", "1e3", "\"1\"", "true", "null", "[]"}},
      {"u64",
       accepts<std::uint64_t>,
       {"0", "18446744073709551615"},
       {"18446744073709551616", "-1", "-0", "1.5", "1e3", "\"1\"", "false", "null", "{}"}},
      {"f64",
       accepts<double>,
       {"0", "-0", "-3", "2.5", "1e3", "18446744073709551616", "-9223372036854775809"},
       {"\"1\"", "true", "null", "[]"}},
      {"bool", accepts<bool>, {"true", "false"}, {"1", "0", "\"true\"", "null"}},
      {"text", accepts<std::string>, {"\"\"", "\"a\\u00e9\""}, {"1", "null", "[\"a\"]", "{}"}},
      {"optional u64", accepts<std::optional<std::uint64_t>>, {"null", "7"}, {"12.0", "\"7\"", "-7"}},
  };
  for (const auto& c : cases) {
    for (const auto& t : c.good) EXPECT_TRUE(c.accepts(t)) << c.rule << " should accept " << t;
    for (const auto& t : c.bad) EXPECT_FALSE(c.accepts(t)) << c.rule << " should refuse " << t;
  }
}

TEST(JsonRules, IntegersReadAsFloatingPoint) {
  EXPECT_EQ(apply<double>("12"), 12.0);
  EXPECT_EQ(apply<double>("-3"), -3.0);
  EXPECT_EQ(apply<double>("1e3"), 1000.0);
  EXPECT_EQ(apply<std::uint32_t>("4294967295"), 4294967295u);
  EXPECT_EQ(apply<std::optional<std::uint64_t>>("null").value(), std::nullopt);
}

// The position of the word written as `text`, or nothing when it is refused.
template <class E>
std::optional<std::size_t> word_position_of(const std::string& text) {
  auto word = apply<E>(text);
  if (!word) return std::nullopt;
  return static_cast<std::size_t>(*word);
}

TEST(JsonRules, WordsAreStringsOrSingleKeyObjects) {
  struct Case {
    const char* text;
    std::optional<std::size_t> strict;   // with no Unknown value
    std::optional<std::size_t> lenient;  // other words read as Unknown
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
    EXPECT_EQ(word_position_of<StrictLink>(c.text), c.strict) << c.text;
    EXPECT_EQ(word_position_of<Link>(c.text), c.lenient) << c.text;
  }
}

}  // namespace
}  // namespace wv
