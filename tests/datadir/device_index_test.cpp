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
      {"the same udid twice, in file order", R"({"devices":[{"udid":"B","name":"b"},{"udid":"A"},{"udid":"B"}]})",
       {1, "", {{"B", "b"}, {"A", ""}, {"B", ""}}}},
      {"unknown keys at both levels, repeated and nested",
       R"({"x":{"devices":5},"devices":[{"udid":"A","x":[{"udid":1}],"x":null}],"x":[[1]]})", {1, "", {{"A", ""}}}},
      {"index as an array", R"([7,"v",[{"udid":"A"}]])", {7, "v", {{"A", ""}}}},
      {"index array cut short", R"([7])", {7, "", {}}},
      {"refs as arrays", R"({"devices":[["A","a"],["B"]]})", {1, "", {{"A", "a"}, {"B", ""}}}},
      {"unknown key 127 levels deep", "{\"x\":" + nested_arrays(126) + "}", {1, "", {}}},
      {"unknown key 128 levels deep", "{\"x\":" + nested_arrays(127) + "}", {1, "", {}}},
      {"unknown key in a ref a million levels deep",
       "{\"devices\":[{\"udid\":\"A\",\"x\":" + nested_arrays(1'000'000) + "}]}", {1, "", {{"A", ""}}}},
  };
  for (const auto& c : cases) {
    auto got = decode_index(c.text);
    ASSERT_TRUE(got) << c.name << ": " << got.error().message();
    EXPECT_EQ(*got, c.want) << c.name;
  }
}

TEST(DeviceIndex, InvalidFiles) {
  struct Case {
    const char* name;
    std::string text;
  };
  const Case cases[] = {
      {"version -1", R"({"version":-1})"},
      {"version 4294967296", R"({"version":4294967296})"},
      {"version 2.0", R"({"version":2.0,"devices":[{"udid":"A"}]})"},
      {"version 1e3", R"({"version":1e3})"},
      {"version as text", R"({"version":"1"})"},
      {"version null", R"({"version":null})"},
      {"agent_version null", R"({"agent_version":null})"},
      {"devices null", R"({"devices":null})"},
      {"devices an object", R"({"devices":{"udid":"A"}})"},
      {"devices repeated", R"({"devices":[],"devices":[]})"},
      {"a ref without udid", R"({"devices":[{"udid":"A"},{"name":"b"},{"udid":"C"}]})"},
      {"udid repeated", R"({"devices":[{"udid":"A","udid":"B"}]})"},
      {"udid a number", R"({"devices":[{"udid":1}]})"},
      {"name null", R"({"devices":[{"udid":"A","name":null}]})"},
      {"ref a string", R"({"devices":["A"]})"},
      {"ref array without udid", R"({"devices":[[]]})"},
      {"ref array too long", R"({"devices":[["A","a","x"]]})"},
      {"index array too long", R"([1,"v",[],0])"},
      {"top level a string", R"("devices")"},
      {"malformed inside an unknown key", R"({"x":[1 2],"devices":[]})"},
      {"trailing text", R"({"devices":[]} ,)"},
      {"byte-order mark", "\xEF\xBB\xBF{}"},
      {"invalid UTF-8 inside an unknown key", "{\"x\":\"\xC3\x28\"}"},
      {"unpaired surrogate in an unknown key", R"({"x":"\udfff"})"},
  };
  for (const auto& c : cases) EXPECT_FALSE(decode_index(c.text)) << c.name;
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
