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

TEST(PublishedFile, APollWithLessThanAFilesLeastLeftIsSpent) {
  test::ScratchDir dir;
  auto full = dir.write("full", std::string(kMaxPublishedFileBytes, ' ')).native();
  auto small = dir.write("small", "{}").native();
  for (std::size_t short_by : {0u, 1u}) {
    // Files up to the ceiling but for a file's least of it, or a byte less.
    auto rest = dir.write("rest", std::string(kMaxPublishedFileBytes - kLeastFileBytes + short_by, ' ')).native();
    PublishedFiles files;
    for (std::size_t i = 1; i < kPollReadBytes / kMaxPublishedFileBytes; ++i) ASSERT_TRUE(files.read(full));
    ASSERT_TRUE(files.read(rest));
    EXPECT_EQ(files.files_left(), short_by == 0 ? 1u : 0u) << short_by;
    EXPECT_EQ(files.read(small).has_value(), short_by == 0) << short_by;
    EXPECT_FALSE(files.read(small)) << short_by;
    EXPECT_TRUE(files.spent()) << short_by;
  }
}

// A file that grows after it is measured, as one the agent appends to while
// the host reads it: /proc reports a size of 0 for files it fills on reading.
TEST(PublishedFile, AFileThatGrowsAfterItIsMeasuredIsReadWholeUpToTheLimit) {
  const std::filesystem::path grows = "/proc/self/cmdline";
  if (kIsWindows || !std::filesystem::exists(grows)) GTEST_SKIP() << "no /proc";
  const std::string whole = test::read_file(grows);
  ASSERT_EQ(std::filesystem::file_size(grows), 0u);
  ASSERT_GT(whole.size(), 1u);
  std::string content;
  for (std::size_t limit : {kMaxPublishedFileBytes, whole.size()}) {
    ASSERT_TRUE(read_regular_file(grows.native(), limit, content)) << limit;
    EXPECT_EQ(content, whole) << limit;
  }
  EXPECT_EQ(read_regular_file(grows.native(), whole.size() - 1, content).error(), ReadFailure::TooLarge);
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
