// status.json: which files are valid and what they read as.

#include "datadir/device_status.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/test_support.h"

namespace wv {
namespace {

using Change = std::pair<std::string, std::optional<std::string>>;

// The smallest valid file, with some members replaced, removed (nullopt) or
// added after the others.
std::string status_with(const std::vector<Change>& changes) {
  std::vector<Change> members = {{"udid", R"("U")"},      {"version", "1"},   {"agent_version", R"("1.0")"},
                                 {"connected", "true"},   {"session", R"("idle")"}, {"remediation", R"("")"}};
  for (const auto& [key, value] : changes) {
    bool found = false;
    for (auto& m : members) {
      if (m.first == key) {
        m.second = value;
        found = true;
      }
    }
    if (!found) members.emplace_back(key, value);
  }
  std::string text = "{";
  for (const auto& [key, value] : members) {
    if (!value) continue;
    if (text.size() > 1) text += ',';
    text += "\"" + key + "\":" + *value;
  }
  return text + "}";
}

std::string nested_arrays(std::size_t depth) { return std::string(depth, '[') + std::string(depth, ']'); }

TEST(DeviceStatus, TheSmallestFileTakesTheDefaults) {
  auto got = decode_status(status_with({}));
  ASSERT_TRUE(got) << got.error().message();
  DeviceStatusFile want;
  want.udid = "U";
  want.report.version = 1;
  want.report.agent_version = "1.0";
  want.report.connected = true;
  EXPECT_EQ(*got, want);
  EXPECT_EQ(got->report.transport, Transport::Unknown);
  EXPECT_EQ(got->report.provenance, Provenance::Unknown);
}

TEST(DeviceStatus, EveryFieldIsRead) {
  auto got = decode_status(status_with({
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
      {"steering", R"({"seq":3,"heading_deg":-90,"latitude":1e1,"ttl_secs":5,"expired":true,"rejected":""})"},
  }));
  ASSERT_TRUE(got) << got.error().message();
  const StatusReport& r = got->report;
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
  SteeringStatus steering;
  steering.seq = 3;
  steering.heading_deg = -90;
  steering.latitude = 10;
  steering.ttl_secs = 5;
  steering.expired = true;
  steering.rejected = "";
  EXPECT_EQ(r.steering, steering);
}

TEST(DeviceStatus, ValuesThatReadAsDefaultsOrFallbacks) {
  struct Case {
    const char* name;
    std::vector<Change> changes;
    std::function<bool(const DeviceStatusFile&)> check;
  };
  const Case cases[] = {
      {"nulls are absent",
       {{"device", "null"}, {"error", "null"}, {"route", "null"}, {"motion", "null"}, {"steering", "null"},
        {"publish_error", "null"}},
       [](const auto& s) {
         return !s.report.device && !s.report.error && !s.report.route && !s.report.motion && !s.report.steering &&
                !s.publish_error;
       }},
      {"route {} and [] take the defaults", {{"route", "{}"}, {"steering", "[]"}},
       [](const auto& s) { return s.report.route == RouteStatus{} && s.report.steering == SteeringStatus{}; }},
      {"route [] takes the defaults", {{"route", "[]"}}, [](const auto& s) { return s.report.route == RouteStatus{}; }},
      {"rejected null is absent", {{"steering", R"({"rejected":null})"}},
       [](const auto& s) { return !s.report.steering->rejected; }},
      {"device as an array", {{"device", R"(["n","p","i"])"}},
       [](const auto& s) { return s.report.device == DeviceSummary{"n", "p", "i"}; }},
      {"USB in capitals is unknown", {{"transport", R"("USB")"}},
       [](const auto& s) { return s.report.transport == Transport::Unknown; }},
      {"provenance outside its set is unknown", {{"provenance", R"("vpn_sync")"}},
       [](const auto& s) { return s.report.provenance == Provenance::Unknown; }},
      {"motion outside its set is unknown", {{"motion", R"({"flying":null})"}},
       [](const auto& s) { return s.report.motion == Motion::Unknown; }},
      {"lost as a word object", {{"session", R"({"lost":null})"}},
       [](const auto& s) { return s.report.session == SessionReport::Lost; }},
      {"version 0", {{"version", "0"}}, [](const auto& s) { return s.report.version == 0; }},
      {"version at the limit", {{"version", "4294967295"}},
       [](const auto& s) { return s.report.version == 4294967295u; }},
      {"integer distance", {{"route", R"({"travelled_m":12,"start_travelled_m":-1})"}},
       [](const auto& s) { return s.report.route->travelled_m == 12.0 && s.report.route->start_travelled_m == -1.0; }},
      {"unknown keys ignored, repeated, deep and nested",
       {{"x", R"({"session":"paused"})"}, {"x", "[1]"}, {"route", R"({"x":1,"x":{"id":2}})"},
        {"device", R"({"name":"n","product_type":"p","ios_version":"i","name2":null})"},
        {"y", "{\"a\":" + nested_arrays(125) + "}"}},
       [](const auto& s) { return s.report.route == RouteStatus{} && s.report.session == SessionReport::Idle; }},
  };
  for (const auto& c : cases) {
    auto got = decode_status(status_with(c.changes));
    ASSERT_TRUE(got) << c.name << ": " << got.error().message();
    EXPECT_TRUE(c.check(*got)) << c.name;
  }
}

TEST(DeviceStatus, InvalidFiles) {
  struct Case {
    const char* name;
    std::vector<Change> changes;
  };
  const Case cases[] = {
      {"no udid", {{"udid", std::nullopt}}},
      {"no version", {{"version", std::nullopt}}},
      {"no agent_version", {{"agent_version", std::nullopt}}},
      {"no connected", {{"connected", std::nullopt}}},
      {"no session", {{"session", std::nullopt}}},
      {"no remediation", {{"remediation", std::nullopt}}},
      {"udid twice", {{"udid", R"("U","udid":"V")"}}},
      {"session twice", {{"z", R"(1,"session":"idle")"}}},
      {"publish_error twice", {{"publish_error", R"(null,"publish_error":null)"}}},
      {"udid null", {{"udid", "null"}}},
      {"publish_error a number", {{"publish_error", "1"}}},
      {"version -1", {{"version", "-1"}}},
      {"version 2.0", {{"version", "2.0"}}},
      {"version 4294967296", {{"version", "4294967296"}}},
      {"updated_at 1.5", {{"updated_at", "1.5"}}},
      {"updated_at -0", {{"updated_at", "-0"}}},
      {"updated_at as text", {{"updated_at", R"("5")"}}},
      {"connected 1", {{"connected", "1"}}},
      {"connected as text", {{"connected", R"("true")"}}},
      {"remediation null", {{"remediation", "null"}}},
      {"transport null", {{"transport", "null"}}},
      {"provenance null", {{"provenance", "null"}}},
      {"session null", {{"session", "null"}}},
      {"session capitalised", {{"session", R"("Spoofing")"}}},
      {"session paused", {{"session", R"("paused")"}}},
      {"session empty", {{"session", R"("")"}}},
      {"session object with a second key", {{"session", R"({"lost":null,"idle":null})"}}},
      {"session object empty", {{"session", "{}"}}},
      {"session object holding a value", {{"session", R"({"lost":1})"}}},
      {"session array", {{"session", R"(["idle"])"}}},
      {"travelled_m as text", {{"route", R"({"travelled_m":"1"})"}}},
      {"remaining_secs 12.0", {{"route", R"({"remaining_secs":12.0})"}}},
      {"route key twice", {{"route", R"({"id":"a","id":"b"})"}}},
      {"device 5", {{"device", "5"}}},
      {"device without ios_version", {{"device", R"({"name":"n","product_type":"p"})"}}},
      {"device name twice", {{"device", R"({"name":"n","name":"m","product_type":"p","ios_version":"i"})"}}},
      {"device array of two", {{"device", R"(["n","p"])"}}},
      {"device array of four", {{"device", R"(["n","p","i","x"])"}}},
      {"steering array of twelve", {{"steering", "[0,0,0,0,0,0,0,0,false,false,null,0]"}}},
      {"route array with a wrong type", {{"route", R"(["id","5"])"}}},
      {"malformed unknown key", {{"x", "[1,]"}}},
      {"unknown key 128 levels deep", {{"x", nested_arrays(127)}}},
      {"unknown key inside route 128 levels deep", {{"route", "{\"x\":" + nested_arrays(126) + "}"}}},
      {"unknown key a million levels deep", {{"x", nested_arrays(1'000'000)}}},
      {"unpaired surrogate in an unknown key", {{"x", R"("\ud800")"}}},
  };
  for (const auto& c : cases) EXPECT_FALSE(decode_status(status_with(c.changes))) << c.name;
}

TEST(DeviceStatus, InvalidDocuments) {
  const std::string valid = status_with({});
  EXPECT_TRUE(decode_status(" \r\n\t" + valid + "\n "));
  EXPECT_TRUE(decode_status(status_with({{"x", nested_arrays(126)}}))) << "127 levels";
  EXPECT_FALSE(decode_status("[" + valid + "]"));
  EXPECT_FALSE(decode_status("\xEF\xBB\xBF" + valid));
  EXPECT_FALSE(decode_status(valid + "x"));
  EXPECT_FALSE(decode_status(valid.substr(0, valid.size() - 1)));
  EXPECT_FALSE(decode_status(status_with({{"remediation", "\"\xFF\""}})));
  // Report keys wrapped in an object of their own are not found there.
  EXPECT_FALSE(decode_status(
      R"({"udid":"U","report":{"version":1,"agent_version":"","connected":true,"session":"idle","remediation":""}})"));
}

TEST(DeviceStatus, ErrorsNameTheBrokenRule) {
  auto got = decode_status(status_with({{"route", R"({"remaining_secs":12.0})"}}));
  ASSERT_FALSE(got);
  EXPECT_EQ(got.error().where, "route.remaining_secs");
  EXPECT_EQ(decode_status(status_with({{"version", std::nullopt}})).error().where, "version");
}

TEST(DeviceStatus, ReadStatus) {
  test::ScratchDir dir;
  EXPECT_FALSE(read_status(dir.path(), "A")) << "missing";
  dir.write("devices/A/status.json", status_with({{"udid", R"("X")"}}));
  auto got = read_status(dir.path(), "A");
  ASSERT_TRUE(got);
  EXPECT_EQ(got->udid, "X");
  dir.write("devices/A/status.json", status_with({{"session", R"("Idle")"}}));
  EXPECT_FALSE(read_status(dir.path(), "A")) << "invalid";
}

}  // namespace
}  // namespace wv
