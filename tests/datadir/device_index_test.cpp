// devices.json: which files are valid, what they read as, and read_index's
// fallback to the empty index.

#include "datadir/device_index.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/support/test_support.h"

namespace wv {
namespace {

std::string nested_arrays(std::size_t depth) { return std::string(depth, '[') + std::string(depth, ']'); }

TEST(DeviceIndex, ValidFilesReadAsTheirRecords) {
  struct Case {
    const char* name;
    std::string text;
    DeviceIndex want;
  };
  const Case cases[] = {
      {"empty object takes the defaults", "{}", {1, "", {}}},
      {"empty devices", R"({"devices":[]})", {1, "", {}}},
      {"version 0", R"({"version":0})", {0, "", {}}},
      {"version at the limit", R"({"version":4294967295,"agent_version":"2.1"})", {4294967295u, "2.1", {}}},
      {"name left off", R"({"devices":[{"udid":"A"}]})", {1, "", {{"A", ""}}}},
      {"the same udid twice, in file order",
       R"({"devices":[{"udid":"B","name":"b"},{"udid":"A"},{"udid":"B"}]})",
       {1, "", {{"B", "b"}, {"A", ""}, {"B", ""}}}},
      {"unknown keys at both levels, repeated and nested",
       R"({"x":{"devices":5},"devices":[{"udid":"A","x":[{"udid":1}],"x":null}],"x":[[1]]})",
       {1, "", {{"A", ""}}}},
      {"index as an array", R"([7,"v",[{"udid":"A"}]])", {7, "v", {{"A", ""}}}},
      {"index array cut short", R"([7])", {7, "", {}}},
      {"refs as arrays", R"({"devices":[["A","a"],["B"]]})", {1, "", {{"A", "a"}, {"B", ""}}}},
      {"unknown key 127 levels deep", "{\"x\":" + nested_arrays(126) + "}", {1, "", {}}},
      {"unknown key 128 levels deep", "{\"x\":" + nested_arrays(127) + "}", {1, "", {}}},
      {"unknown key in a ref a million levels deep",
       "{\"devices\":[{\"udid\":\"A\",\"x\":" + nested_arrays(1'000'000) + "}]}",
       {1, "", {{"A", ""}}}},
  };
  for (const auto& c : cases) {
    auto got = decode_index(c.text);
    ASSERT_TRUE(got) << c.name << ": " << got.error().message();
    EXPECT_EQ(*got, c.want) << c.name;
  }
}

TEST(DeviceIndex, InvalidFiles) {
  struct Case {
    std::string text;
    std::string error;  // the broken rule, where it sits
  };
  const Case cases[] = {
      {R"({"version":-1})", "version: must be an unsigned 32-bit integer, not a negative integer"},
      {R"({"version":4294967296})", "version: must be an unsigned 32-bit integer, not one above 4294967295"},
      {R"({"version":2.0,"devices":[{"udid":"A"}]})",
       "version: must be an unsigned 32-bit integer, not a number with a fraction or exponent"},
      {R"({"version":1e3})", "version: must be an unsigned 32-bit integer, not a number with a fraction or exponent"},
      {R"({"version":"1"})", "version: must be an unsigned 32-bit integer, not a string"},
      {R"({"version":null})", "version: must be an unsigned 32-bit integer, not null"},
      {R"({"agent_version":null})", "agent_version: must be a string, not null"},
      {R"({"devices":null})", "devices: must be an array"},
      {R"({"devices":{"udid":"A"}})", "devices: must be an array"},
      {R"({"devices":[],"devices":[]})", "devices: given twice in one object"},
      {R"({"devices":[{"udid":"A"},{"name":"b"},{"udid":"C"}]})", "devices[1].udid: required, but missing"},
      {R"({"devices":[{"udid":"A","udid":"B"}]})", "devices[0].udid: given twice in one object"},
      {R"({"devices":[{"udid":1}]})", "devices[0].udid: must be a string, not an unsigned integer"},
      {R"({"devices":[{"udid":"A","name":null}]})", "devices[0].name: must be a string, not null"},
      {R"({"devices":["A"]})", "devices[0]: must be an object or an array"},
      {R"({"devices":[[]]})", "devices[0].udid: required, but missing"},
      {R"({"devices":[["A","a","x"]]})", "devices[0]: an array of more values than the record's 2 fields"},
      {R"([1,"v",[],0])", "an array of more values than the record's 3 fields"},
      {R"("devices")", "must be an object or an array"},
      {R"({"x":[1 2],"devices":[]})", "not well-formed JSON at byte 9"},
      {R"({"devices":[]} ,)", "not well-formed JSON at byte 16"},
      {"\xEF\xBB\xBF{}", "a byte-order mark before the value"},
      {"{\"x\":\"\xC3\x28\"}", "not well-formed JSON at byte 8"},
      {R"({"x":"\udfff"})", "not well-formed JSON at byte 12"},
  };
  for (const auto& c : cases) {
    auto got = decode_index(c.text);
    ASSERT_FALSE(got) << c.error;
    EXPECT_EQ(got.error().message(), c.error);
  }
}

TEST(DeviceIndex, ReadFallsBackToTheEmptyIndex) {
  test::ScratchDir dir;
  const DeviceIndex empty;
  EXPECT_EQ(read_index(dir.path()), empty) << "missing";
  EXPECT_EQ(read_index(dir.path() / "no-such-dir"), empty);
  dir.write("devices.json", R"({"devices":[{"udid":"A"}]})");
  EXPECT_EQ(read_index(dir.path()).devices, (std::vector<DeviceRef>{{"A", ""}}));
  dir.write("devices.json", R"({"devices":[{"udid":"A"}])");
  EXPECT_EQ(read_index(dir.path()), empty) << "cut short";
  std::filesystem::remove(dir / "devices.json");
  std::filesystem::create_directory(dir / "devices.json");
  EXPECT_EQ(read_index(dir.path()), empty) << "a directory";
}

}  // namespace
}  // namespace wv
