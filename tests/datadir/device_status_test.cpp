// status.json: which files are valid and what they read as.

#include "datadir/device_status.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/status_json.h"
#include "tests/support/test_support.h"

namespace wv {
namespace {

using test::status_json;

std::string nested_arrays(std::size_t depth) { return std::string(depth, '[') + std::string(depth, ']'); }

TEST(DeviceStatus, TheSmallestFileTakesTheDefaults) {
  auto got = decode_status(status_json({}));
  ASSERT_TRUE(got) << got.error().message();
  DeviceStatusFile want;
  want.udid = "U";
  want.version = 1;
  want.agent_version = "1.0";
  want.connected = true;
  EXPECT_EQ(*got, want);
  EXPECT_EQ(got->transport, Transport::Unknown);
  EXPECT_EQ(got->provenance, Provenance::Unknown);
}

TEST(DeviceStatus, EveryFieldIsRead) {
  auto got = decode_status(status_json({
      {"publish_error", R"("disk full")"},
      {"device", R"({"name":" Ann's phone ","product_type":"iPhone15,2","ios_version":"17.4"})"},
      {"session", R"({"spoofing":{}})"},
      {"provenance", R"("from-app")"},
      {"remediation", R"("Unlock it")"},
      {"error", R"("")"},
      {"transport", R"("wireless")"},
      {"updated_at", "18446744073709551615"},
      {"pairing_repair_needed", "true"},
      {"route", R"(["r1",5,"Loop",12,-3.5,true,false,null,true,0.25])"},
      {"motion", R"("steering")"},
      {"steering", R"([3,-90,1.5,1e1,20,7.5,5,4,true,false,""])"},
  }));
  ASSERT_TRUE(got) << got.error().message();
  const DeviceStatusFile& r = *got;
  EXPECT_EQ(got->publish_error, "disk full");
  EXPECT_EQ(r.device, (DeviceSummary{" Ann's phone ", "iPhone15,2", "17.4"}));
  EXPECT_EQ(r.session, SessionReport::Spoofing);
  EXPECT_EQ(r.provenance, Provenance::FromApp);
  EXPECT_EQ(r.remediation, "Unlock it");
  EXPECT_EQ(r.error, "");
  EXPECT_EQ(r.transport, Transport::Wireless);
  EXPECT_EQ(r.updated_at, 18446744073709551615u);
  EXPECT_TRUE(r.pairing_repair_needed);
  EXPECT_EQ(r.route, (RouteStatus{"r1", 5, "Loop", 12.0, -3.5, true, false, std::nullopt, true, 0.25}));
  EXPECT_EQ(r.motion, Motion::Steering);
  // The array forms, read into records made in the members' order, pin that
  // order for members of the same type too.
  EXPECT_EQ(r.steering, (SteeringStatus{3, -90, 1.5, 10, 20, 7.5, 5, 4, true, false, ""}));
}

TEST(DeviceStatus, ValuesThatReadAsDefaultsOrFallbacks) {
  struct Case {
    const char* name;
    std::vector<test::StatusMember> changes;
    std::function<bool(const DeviceStatusFile&)> check;
  };
  const Case cases[] = {
      {"nulls are absent",
       {{"device", "null"},
        {"error", "null"},
        {"route", "null"},
        {"motion", "null"},
        {"steering", "null"},
        {"publish_error", "null"}},
       [](const auto& s) { return !s.device && !s.error && !s.route && !s.motion && !s.steering && !s.publish_error; }},
      {"route {} and [] take the defaults",
       {{"route", "{}"}, {"steering", "[]"}},
       [](const auto& s) { return s.route == RouteStatus{} && s.steering == SteeringStatus{}; }},
      {"route [] takes the defaults", {{"route", "[]"}}, [](const auto& s) { return s.route == RouteStatus{}; }},
      {"rejected null is absent",
       {{"steering", R"({"rejected":null})"}},
       [](const auto& s) { return !s.steering->rejected; }},
      {"device as an array",
       {{"device", R"(["n","p","i"])"}},
       [](const auto& s) { return s.device == DeviceSummary{"n", "p", "i"}; }},
      {"USB in capitals is unknown",
       {{"transport", R"("USB")"}},
       [](const auto& s) { return s.transport == Transport::Unknown; }},
      {"provenance outside its set is unknown",
       {{"provenance", R"("vpn_sync")"}},
       [](const auto& s) { return s.provenance == Provenance::Unknown; }},
      {"motion outside its set is unknown",
       {{"motion", R"({"flying":null})"}},
       [](const auto& s) { return s.motion == Motion::Unknown; }},
      {"lost as a word object",
       {{"session", R"({"lost":null})"}},
       [](const auto& s) { return s.session == SessionReport::Lost; }},
      {"version 0", {{"version", "0"}}, [](const auto& s) { return s.version == 0; }},
      {"version at the limit", {{"version", "4294967295"}}, [](const auto& s) { return s.version == 4294967295u; }},
      {"integer distance",
       {{"route", R"({"travelled_m":12,"start_travelled_m":-1})"}},
       [](const auto& s) { return s.route->travelled_m == 12.0 && s.route->start_travelled_m == -1.0; }},
      {"unknown keys ignored, repeated, deep and nested",
       {{"x", R"({"session":"paused"})"},
        {"x", "[1]"},
        {"route", R"({"x":1,"x":{"id":2}})"},
        {"device", R"({"name":"n","product_type":"p","ios_version":"i","name2":null})"},
        {"y", "{\"a\":" + nested_arrays(125) + "}"}},
       [](const auto& s) { return s.route == RouteStatus{} && s.session == SessionReport::Idle; }},
  };
  for (const auto& c : cases) {
    auto got = decode_status(status_json(c.changes));
    ASSERT_TRUE(got) << c.name << ": " << got.error().message();
    EXPECT_TRUE(c.check(*got)) << c.name;
  }
}

TEST(DeviceStatus, InvalidFiles) {
  struct Case {
    std::vector<test::StatusMember> changes;
    std::string error;  // the broken rule, where it sits
  };
  const Case cases[] = {
      {{{"udid", std::nullopt}}, "udid: required, but missing"},
      {{{"version", std::nullopt}}, "version: required, but missing"},
      {{{"agent_version", std::nullopt}}, "agent_version: required, but missing"},
      {{{"connected", std::nullopt}}, "connected: required, but missing"},
      {{{"session", std::nullopt}}, "session: required, but missing"},
      {{{"remediation", std::nullopt}}, "remediation: required, but missing"},
      {{{"udid", R"("U","udid":"V")"}}, "udid: given twice in one object"},
      {{{"z", R"(1,"session":"idle")"}}, "session: given twice in one object"},
      {{{"publish_error", R"(null,"publish_error":null)"}}, "publish_error: given twice in one object"},
      {{{"udid", "null"}}, "udid: must be a string, not null"},
      {{{"publish_error", "1"}}, "publish_error: must be a string, not an unsigned integer"},
      {{{"version", "-1"}}, "version: must be an unsigned 32-bit integer, not a negative integer"},
      {{{"version", "2.0"}}, "version: must be an unsigned 32-bit integer, not a number with a fraction or exponent"},
      {{{"version", "4294967296"}}, "version: must be an unsigned 32-bit integer, not one above 4294967295"},
      {{{"updated_at", "1.5"}},
       "updated_at: must be an unsigned 64-bit integer, not a number with a fraction or exponent"},
      {{{"updated_at", "-0"}}, "updated_at: must be an unsigned 64-bit integer, not a negative integer"},
      {{{"updated_at", R"("5")"}}, "updated_at: must be an unsigned 64-bit integer, not a string"},
      {{{"connected", "1"}}, "connected: must be true or false, not an unsigned integer"},
      {{{"connected", R"("true")"}}, "connected: must be true or false, not a string"},
      {{{"remediation", "null"}}, "remediation: must be a string, not null"},
      {{{"transport", "null"}}, "transport: must be a word (a string, or an object with one key)"},
      {{{"provenance", "null"}}, "provenance: must be a word (a string, or an object with one key)"},
      {{{"session", "null"}}, "session: must be a word (a string, or an object with one key)"},
      {{{"session", R"("Spoofing")"}}, "session: \"Spoofing\" is not one of \"idle\", \"spoofing\", \"lost\""},
      {{{"session", R"("paused")"}}, "session: \"paused\" is not one of \"idle\", \"spoofing\", \"lost\""},
      {{{"session", R"("")"}}, "session: \"\" is not one of \"idle\", \"spoofing\", \"lost\""},
      {{{"session", R"({"lost":null,"idle":null})"}}, "session: a word written as an object must have exactly one key"},
      {{{"session", "{}"}}, "session: a word written as an object must have exactly one key, not 0"},
      {{{"session", R"({"lost":1})"}}, "session: the key of a word written as an object must hold null or {}"},
      {{{"session", R"(["idle"])"}}, "session: must be a word (a string, or an object with one key)"},
      {{{"route", R"({"travelled_m":"1"})"}}, "route.travelled_m: must be a number, not a string"},
      {{{"route", R"({"remaining_secs":12.0})"}},
       "route.remaining_secs: must be an unsigned 64-bit integer, not a number with a fraction or exponent"},
      {{{"route", R"({"id":"a","id":"b"})"}}, "route.id: given twice in one object"},
      {{{"device", "5"}}, "device: must be an object or an array"},
      {{{"device", R"({"name":"n","product_type":"p"})"}}, "device.ios_version: required, but missing"},
      {{{"device", R"({"name":"n","ios_version":"i"})"}}, "device.product_type: required, but missing"},
      {{{"device", R"({"name":"n","name":"m","product_type":"p","ios_version":"i"})"}},
       "device.name: given twice in one object"},
      {{{"device", R"(["n","p"])"}}, "device.ios_version: required, but missing"},
      {{{"device", R"(["n","p","i","x"])"}}, "device: an array of more values than the record's 3 fields"},
      {{{"steering", "[0,0,0,0,0,0,0,0,false,false,null,0]"}},
       "steering: an array of more values than the record's 11 fields"},
      {{{"route", R"(["id","5"])"}}, "route.started_at: must be an unsigned 64-bit integer, not a string"},
      {{{"x", "[1,]"}}, "not well-formed JSON at byte 105"},
      {{{"x", nested_arrays(127)}}, "arrays and objects nested deeper than 127 levels"},
      {{{"route", "{\"x\":" + nested_arrays(126) + "}"}}, "arrays and objects nested deeper than 127 levels"},
      {{{"x", nested_arrays(1'000'000)}}, "arrays and objects nested deeper than 127 levels"},
      {{{"x", R"("\ud800")"}}, "not well-formed JSON at byte 109"},
  };
  for (const auto& c : cases) {
    auto got = decode_status(status_json(c.changes));
    ASSERT_FALSE(got) << c.error;
    EXPECT_EQ(got.error().message(), c.error);
  }
}

TEST(DeviceStatus, InvalidDocuments) {
  const std::string valid = status_json();
  EXPECT_TRUE(decode_status(" \r\n\t" + valid + "\n "));
  EXPECT_TRUE(decode_status(status_json({{"x", nested_arrays(126)}}))) << "127 levels";
  const std::pair<std::string, std::string> cases[] = {
      {"[" + valid + "]", "must be an object"},
      {"\xEF\xBB\xBF" + valid, "a byte-order mark before the value"},
      {valid + "x", "not well-formed JSON at byte 98"},
      {valid.substr(0, valid.size() - 1), "not well-formed JSON at byte 97"},
      {status_json({{"remediation", "\"\xFF\""}}), "not well-formed JSON at byte 96"},
      // Report keys wrapped in an object of their own are not found there.
      {R"({"udid":"U","report":{"version":1,"agent_version":"","connected":true,"session":"idle","remediation":""}})",
       "version: required, but missing"},
  };
  for (const auto& [text, error] : cases) {
    auto got = decode_status(text);
    ASSERT_FALSE(got) << text;
    EXPECT_EQ(got.error().message(), error) << text;
  }
}

TEST(DeviceStatus, ReadStatus) {
  test::ScratchDir dir;
  EXPECT_FALSE(read_status(dir.path(), "A")) << "missing";
  dir.write("devices/A/status.json", status_json({{"udid", R"("X")"}}));
  auto got = read_status(dir.path(), "A");
  ASSERT_TRUE(got);
  EXPECT_EQ(got->udid, "X");
  dir.write("devices/A/status.json", status_json({{"session", R"("Idle")"}}));
  EXPECT_FALSE(read_status(dir.path(), "A")) << "invalid";
}

}  // namespace
}  // namespace wv
