// Reading a published file: only regular files, never blocking, shared with a
// writer, capped in size, and a ceiling on what one poll reads.

#include "datadir/json_file.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "datadir/device_index.h"
#include "platform/os.h"
#include "platform/testing/held_file.h"
#include "tests/support/test_support.h"

namespace wv {
namespace {

TEST(PublishedFile, ReadsWhileAnotherHandleHoldsItOpenForWriting) {
  test::ScratchDir dir;
  auto writer = HeldWriter::open(dir / "devices.json");
  ASSERT_TRUE(writer);
  ASSERT_TRUE(writer->write(R"({"devices":[{"udid":"A"}]})"));
  PublishedFiles files;
  EXPECT_EQ(files.read((dir / "devices.json").native()), R"({"devices":[{"udid":"A"}]})");
  EXPECT_EQ(read_index(dir.path()).devices.size(), 1u);
}

TEST(PublishedFile, OnlyRegularFilesOfAtMost16MiBAreRead) {
  test::ScratchDir dir;
  PublishedFiles files;
  EXPECT_EQ(files.read((dir / "none").native()).error(), ReadFailure::Missing);
  EXPECT_EQ(files.read(dir.path().native()).error(), ReadFailure::NotRegular);
  EXPECT_EQ(files.read(dir.write("empty", "").native()), "");

  std::string at_cap(kMaxPublishedFileBytes, ' ');
  at_cap.front() = '0';
  EXPECT_EQ(files.read(dir.write("at-cap", at_cap).native())->size(), kMaxPublishedFileBytes);
  at_cap.push_back(' ');
  PublishedFiles next_poll;
  EXPECT_EQ(next_poll.read(dir.write("over-cap", at_cap).native()).error(), ReadFailure::TooLarge);
  EXPECT_FALSE(next_poll.spent()) << "a file over the cap is refused on its own";
}

TEST(PublishedFile, AFileOverWhatIsLeftOfThePollsCeilingSpendsThePoll) {
  test::ScratchDir dir;
  const std::size_t mib = 1024 * 1024;
  auto ten = dir.write("ten", std::string(10 * mib, ' ')).native();
  auto eleven = dir.write("eleven", std::string(11 * mib + 1, ' ')).native();
  auto small = dir.write("small", "{}").native();
  PublishedFiles files;
  EXPECT_TRUE(files.read(ten));
  EXPECT_TRUE(files.read(ten));
  // 20 MiB read, 12 left: 11 MiB and a byte still fits, then 1 MiB is left.
  EXPECT_TRUE(files.read(eleven));
  EXPECT_FALSE(files.spent());
  EXPECT_EQ(files.read(ten).error(), ReadFailure::TooLarge);
  EXPECT_TRUE(files.spent());
  EXPECT_FALSE(files.read(small)) << "nothing more is read in a spent poll";
}

TEST(PublishedFile, AFifoIsRefusedWithoutBlocking) {
  if (kIsWindows) GTEST_SKIP() << "no FIFOs on Windows";
  test::ScratchDir dir;
  ASSERT_TRUE(make_fifo(dir / "devices.json"));
  auto start = std::chrono::steady_clock::now();
  PublishedFiles files;
  EXPECT_EQ(files.read((dir / "devices.json").native()).error(), ReadFailure::NotRegular);
  EXPECT_EQ(read_index(dir.path()), DeviceIndex{});
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

}  // namespace
}  // namespace wv
