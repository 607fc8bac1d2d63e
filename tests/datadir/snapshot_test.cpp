#include "datadir/snapshot.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "datadir/json_file.h"
#include "platform/os.h"
#include "platform/text.h"
#include "tests/support/status_json.h"
#include "tests/support/test_support.h"

namespace wv {
namespace {

std::string status_json(const std::string& udid, std::uint64_t updated_at = 0) {
  return test::status_json({{"udid", test::quoted(udid)}, {"updated_at", std::to_string(updated_at)}});
}

void publish(const test::ScratchDir& dir, const std::vector<std::string>& listed) {
  std::string index = R"({"devices":[)";
  for (std::size_t i = 0; i < listed.size(); ++i) index += (i ? "," : "") + (R"({"udid":")" + listed[i] + R"("})");
  dir.write("devices.json", index + "]}");
}

std::vector<std::string> udids(const Snapshot& s) {
  std::vector<std::string> out;
  for (const auto& v : s) out.push_back(v.status.udid);
  return out;
}

TEST(Snapshot, KeepsIndexOrderAndDuplicatesAndDropsOnlyUnreadableDevices) {
  test::ScratchDir dir;
  publish(dir, {"C", "A", "B", "A"});
  dir.write("devices/A/status.json", status_json("A"));
  dir.write("devices/C/status.json", status_json("C"));
  dir.write("devices/B/status.json", "{\"udid\":\"B\"");  // cut short mid-rewrite
  EXPECT_EQ(udids(load_snapshot(dir.path(), Duration::seconds(20))), (std::vector<std::string>{"C", "A", "A"}));
}

TEST(Snapshot, AMissingOrInvalidIndexListsNothingEvenWithStatusFilesPresent) {
  test::ScratchDir dir;
  dir.write("devices/A/status.json", status_json("A"));
  EXPECT_TRUE(load_snapshot(dir.path(), Duration::seconds(20)).empty());
  dir.write("devices.json", R"({"devices":null})");
  EXPECT_TRUE(load_snapshot(dir.path(), Duration::seconds(20)).empty());
  EXPECT_TRUE(load_snapshot(dir / "no-such-dir", Duration::seconds(20)).empty());
}

TEST(Snapshot, PathsPastMaxPathAreReadWhicheverFormTheDataDirectoryIsGivenIn) {
  test::ScratchDir scratch;
  // The data directory's own path passes 260 characters, and a long udid takes
  // each status path further still.
  std::string relative;
  while (path_to_utf8_lossy(scratch.path()).size() + relative.size() < 300) relative += std::string(40, 'd') + "/";
  const std::string udid(200, 'u');
  scratch.write(relative + "devices.json", R"({"devices":[{"udid":")" + udid + R"("}]})");
  scratch.write(relative + "devices/" + udid + "/status.json", status_json(udid));

  const std::filesystem::path dir = (scratch / relative).lexically_normal();
  std::vector<std::filesystem::path> forms = {dir};
  if (kIsWindows) forms.push_back(native_from_utf8("\\\\?\\") + dir.native());  // already in the long form
  for (const auto& given : forms) {
    EXPECT_EQ(udids(load_snapshot(given, Duration::seconds(20))), std::vector<std::string>{udid})
        << path_to_utf8_lossy(given);
  }
}

TEST(Snapshot, AStatusNamingAnotherUdidIsKept) {
  test::ScratchDir dir;
  publish(dir, {"A"});
  dir.write("devices/A/status.json", status_json("X"));
  EXPECT_EQ(udids(load_snapshot(dir.path(), Duration::seconds(20))), (std::vector<std::string>{"X"}));
}

TEST(Snapshot, AUdidWithANulNamesNoFileRatherThanTheFileBeforeTheNul) {
  test::ScratchDir dir;
  publish(dir, {R"(A/status.json\u0000)", "A"});
  dir.write("devices/A/status.json", status_json("A"));
  EXPECT_EQ(udids(load_snapshot(dir.path(), Duration::seconds(20))), (std::vector<std::string>{"A"}));
}

// A valid status of exactly `size` bytes: the smallest one, padded with an
// unknown key.
std::string status_of_size(const std::string& udid, std::size_t size) {
  std::string text = status_json(udid);
  text.pop_back();
  text += R"(,"pad":")";
  text.append(size - text.size() - 2, 'p');
  return text + "\"}";
}

TEST(Snapshot, APollReadsAtMostItsCeilingAndLeavesOutEveryDevicePastThat) {
  test::ScratchDir dir;
  // The index, "over" and A are small: each takes the least a file takes.
  // Files at the cap fill the poll up to less than one more, and C the rest.
  std::size_t left = kPollReadBytes - 3 * kLeastFileBytes;
  std::vector<std::string> full;
  while (left >= kMaxPublishedFileBytes) {
    full.push_back("B" + std::to_string(full.size()));
    left -= kMaxPublishedFileBytes;
  }
  ASSERT_GE(left, kLeastFileBytes);
  std::vector<std::string> listed{"over", "A"};
  listed.insert(listed.end(), full.begin(), full.end());
  listed.insert(listed.end(), {"C", "D"});
  publish(dir, listed);
  // Over the cap of one file: refused on its own, without being read.
  dir.write("devices/over/status.json", status_of_size("over", kMaxPublishedFileBytes + 1));
  dir.write("devices/A/status.json", status_json("A"));
  for (const std::string& udid : full) {
    dir.write("devices/" + udid + "/status.json", status_of_size(udid, kMaxPublishedFileBytes));
  }
  dir.write("devices/C/status.json", status_of_size("C", left));
  dir.write("devices/D/status.json", status_json("D"));
  std::vector<std::string> kept{"A"};
  kept.insert(kept.end(), full.begin(), full.end());
  kept.push_back("C");
  EXPECT_EQ(udids(load_snapshot(dir.path(), Duration::seconds(20))), kept) << "the ceiling exactly: only D is past it";
  dir.write("devices/C/status.json", status_of_size("C", left + 1));
  kept.pop_back();
  EXPECT_EQ(udids(load_snapshot(dir.path(), Duration::seconds(20))), kept)
      << "a byte more: C and everything after it are past the ceiling";
}

TEST(Snapshot, AnIndexListingMoreDevicesThanAPollHasRoomForKeepsOnlyThose) {
  test::ScratchDir dir;
  // Missing files but for three: the first, the last the poll has room for,
  // and the one after it.
  const std::size_t listed = kPollReadBytes / kLeastFileBytes + 10;
  std::vector<std::string> names;
  names.reserve(listed);
  for (std::size_t i = 0; i < listed; ++i) names.push_back("d" + std::to_string(i));
  publish(dir, names);
  const std::size_t index = std::max<std::size_t>(std::filesystem::file_size(dir / "devices.json"), kLeastFileBytes);
  const std::size_t room = (kPollReadBytes - index) / kLeastFileBytes;
  for (std::size_t i : {std::size_t{0}, room - 1, room}) {
    dir.write("devices/d" + std::to_string(i) + "/status.json", status_json("d" + std::to_string(i)));
  }
  EXPECT_EQ(udids(load_snapshot(dir.path(), Duration::seconds(20))),
            (std::vector<std::string>{"d0", "d" + std::to_string(room - 1)}));
}

TEST(Snapshot, StalenessByWholeSeconds) {
  struct Case {
    std::uint64_t updated_at;
    bool stale;
  } cases[] = {{980, false}, {979, true}, {0, false}, {1005, false}, {1000, false}};
  for (const auto& c : cases) {
    EXPECT_EQ(is_stale(c.updated_at, 1000, Duration::seconds(20)), c.stale) << c.updated_at;
    // A fraction of a second in the limit is ignored.
    EXPECT_EQ(is_stale(c.updated_at, 1000, Duration{20, 900'000'000}), c.stale) << c.updated_at;
  }
  EXPECT_FALSE(is_stale(5, 0, Duration::seconds(20)));  // a clock before 1970 reads 0

  test::ScratchDir dir;
  publish(dir, {"old", "new"});
  dir.write("devices/old/status.json", status_json("old", 979));
  dir.write("devices/new/status.json", status_json("new", 980));
  Snapshot s = load_snapshot_at(dir.path(), Duration::seconds(20), 1000);
  ASSERT_EQ(s.size(), 2u);
  EXPECT_TRUE(s[0].stale);
  EXPECT_FALSE(s[1].stale);
}

TEST(Snapshot, EveryCallRereadsTheFiles) {
  test::ScratchDir dir;
  publish(dir, {"A", "B"});
  dir.write("devices/A/status.json", status_json("A"));
  dir.write("devices/B/status.json", status_json("B"));
  Snapshot first = load_snapshot(dir.path(), Duration::seconds(20));
  EXPECT_EQ(first, load_snapshot(dir.path(), Duration::seconds(20)));
  std::filesystem::remove(dir / "devices/A/status.json");
  EXPECT_EQ(udids(load_snapshot(dir.path(), Duration::seconds(20))), (std::vector<std::string>{"B"}));
}

}  // namespace
}  // namespace wv
