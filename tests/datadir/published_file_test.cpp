// Reading a published file: only regular files, never blocking, shared with a
// writer, capped in size, UTF-8 only.

#include "datadir/json_file.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

#include "datadir/device_index.h"
#include "platform/testing/held_file.h"
#include "platform/os.h"
#include "tests/support/test_support.h"

namespace wv {
namespace {

TEST(PublishedFile, ReadsWhileAnotherHandleHoldsItOpenForWriting) {
  test::ScratchDir dir;
  auto writer = HeldWriter::open(dir / "devices.json");
  ASSERT_TRUE(writer);
  ASSERT_TRUE(writer->write(R"({"devices":[{"udid":"A"}]})"));
  EXPECT_EQ(read_published_file(dir / "devices.json"), R"({"devices":[{"udid":"A"}]})");
  EXPECT_EQ(read_index(dir.path()).devices.size(), 1u);
}

TEST(PublishedFile, OnlyRegularFilesOfAtMost16MiBAreRead) {
  test::ScratchDir dir;
  EXPECT_EQ(read_published_file(dir / "none").error(), PublishedFileFailure::Missing);
  EXPECT_EQ(read_published_file(dir.path()).error(), PublishedFileFailure::NotRegular);
  EXPECT_EQ(read_published_file(dir.write("bad", "{\"a\":\"\xE2\x82\"}")).error(), PublishedFileFailure::NotUtf8);
  EXPECT_EQ(read_published_file(dir.write("empty", "")), "");

  std::string at_cap(kMaxPublishedFileBytes, ' ');
  at_cap.front() = '0';
  EXPECT_EQ(read_published_file(dir.write("at-cap", at_cap))->size(), kMaxPublishedFileBytes);
  at_cap.push_back(' ');
  EXPECT_EQ(read_published_file(dir.write("over-cap", at_cap)).error(), PublishedFileFailure::TooLarge);
}

TEST(PublishedFile, AFifoIsRefusedWithoutBlocking) {
  if (kIsWindows) GTEST_SKIP() << "no FIFOs on Windows";
  test::ScratchDir dir;
  ASSERT_TRUE(make_fifo(dir / "devices.json"));
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(read_published_file(dir / "devices.json").error(), PublishedFileFailure::NotRegular);
  EXPECT_EQ(read_index(dir.path()), DeviceIndex{});
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

}  // namespace
}  // namespace wv
