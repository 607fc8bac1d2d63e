// Whether two paths name one file. The Windows identities are compared apart
// from the calls, so that the rule runs on both platforms: neither Wine nor
// this machine has a ReFS volume, where the 64-bit index repeats.

#include "platform/detail/windows_file_id.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/fs.h"
#include "platform/os.h"

namespace wv::detail {
namespace {

WindowsFileId::Id128 id128(std::uint64_t volume, std::uint8_t first, std::uint8_t last) {
  WindowsFileId::Id128 id;
  id.volume = volume;
  id.id.front() = first;
  id.id.back() = last;
  return id;
}

TEST(WindowsFileIdTest, The128BitIdentifierDecidesWhereBothHaveOneAndTheIndexOnlyWhereNot) {
  const WindowsFileId::Index64 index{0x1234, 7};
  // ReFS: one 64-bit index, two files told apart only past their low bytes.
  EXPECT_FALSE(same_windows_file({id128(9, 0, 1), index}, {id128(9, 0, 2), index}));
  EXPECT_FALSE(same_windows_file({id128(9, 5, 1), index}, {id128(9, 6, 1), index}));
  EXPECT_FALSE(same_windows_file({id128(9, 0, 1), index}, {id128(8, 0, 1), index}));
  EXPECT_TRUE(same_windows_file({id128(9, 5, 1), index}, {id128(9, 5, 1), index}));
  // The 128-bit call refused for one of them, or a file system that gives
  // zeros for it: the index decides.
  EXPECT_TRUE(same_windows_file({std::nullopt, index}, {id128(9, 5, 1), index}));
  EXPECT_TRUE(same_windows_file({id128(9, 0, 0), index}, {id128(9, 0, 0), index}));
  EXPECT_FALSE(same_windows_file({id128(9, 0, 0), index}, {id128(9, 0, 0), WindowsFileId::Index64{0x1234, 8}}));
  EXPECT_FALSE(same_windows_file({std::nullopt, index}, {std::nullopt, WindowsFileId::Index64{0x1235, 7}}));
  // Nothing to compare.
  EXPECT_FALSE(same_windows_file({std::nullopt, std::nullopt}, {std::nullopt, std::nullopt}));
  EXPECT_FALSE(same_windows_file({std::nullopt, index}, {id128(9, 5, 1), std::nullopt}));
}

// The roots of procfs and sysfs are inode 1 each on Linux, on two devices:
// an identity without its device would take them for one.
TEST(FileIdentityTest, ASerialNumberRepeatedOnAnotherFileSystemIsAnotherFile) {
  if (kIsWindows || !std::filesystem::is_directory("/proc") || !std::filesystem::is_directory("/sys")) {
    GTEST_SKIP() << "Linux's procfs and sysfs";
  }
  EXPECT_TRUE(is_same_file("/proc", "/proc/."));
  EXPECT_FALSE(is_same_file("/proc", "/sys"));
}

}  // namespace
}  // namespace wv::detail
