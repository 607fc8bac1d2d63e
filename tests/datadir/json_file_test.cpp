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

TEST(PublishedFile, OnlyRegularFilesUpToTheCapAreRead) {
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
  static_assert(kPollReadBytes % kMaxPublishedFileBytes == 0 && kPollReadBytes / kMaxPublishedFileBytes >= 2);
  test::ScratchDir dir;
  auto full = dir.write("full", std::string(kMaxPublishedFileBytes, ' ')).native();
  auto half = dir.write("half", std::string(kMaxPublishedFileBytes / 2 + 1, ' ')).native();
  auto small = dir.write("small", "{}").native();
  PublishedFiles files;
  for (std::size_t i = 1; i < kPollReadBytes / kMaxPublishedFileBytes; ++i) EXPECT_TRUE(files.read(full));
  // One file's cap is left: half of it and a byte still fits, then less than half is left.
  EXPECT_TRUE(files.read(half));
  EXPECT_FALSE(files.spent());
  EXPECT_EQ(files.read(full).error(), ReadFailure::TooLarge);
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
