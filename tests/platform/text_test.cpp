// Native strings and paths: bytes on POSIX, UTF-16 on Windows.

#include "platform/text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>

#include "platform/detail/grow_buffer.h"
#include "platform/os.h"

namespace wv {
namespace {

TEST(TextTest, TextRoundTripsThroughNativeStrings) {
  for (std::string utf8 : {"", "data dir", "Ana\xE2\x80\x99s iPhone \xF0\x9F\x93\x8D", "C:\\Users\\Zo\xC3\xAB"}) {
    EXPECT_EQ(native_to_utf8_lossy(native_from_utf8(utf8)), utf8);
  }
}

TEST(TextTest, InvalidUtf8IsReplacedOnTheWayBackToText) {
  // On Windows the bad byte is replaced going in; on POSIX it is kept as a
  // byte of the name and replaced only when shown.
  EXPECT_EQ(native_to_utf8_lossy(native_from_utf8("a\xFF"
                                                  "b")),
            "a\xEF\xBF\xBD"
            "b");
}

TEST(TextTest, PathsJoinWithThePlatformsSeparator) {
  const std::string sep = kIsWindows ? "\\" : "/";
  std::filesystem::path dir(native_from_utf8("Wayvane GPS"));
  std::filesystem::path file = dir / native_from_utf8("devices") / native_from_utf8("Zo\xC3\xAB") / "status.json";
  EXPECT_EQ(path_to_utf8_lossy(file), "Wayvane GPS" + sep + "devices" + sep + "Zo\xC3\xAB" + sep + "status.json");
  EXPECT_EQ(path_to_utf8_lossy(file.parent_path().filename()), "Zo\xC3\xAB");
}

// The executable's path, the environment and long paths come from calls that
// fill a buffer of ours; a text longer than the first buffer must come whole
// from either kind of call, and a failure or the limit give nothing.
TEST(GrowBufferTest, ATextLongerThanTheFirstBufferComesWhole) {
  const std::string path = "/" + std::string(5000, 'p') + "/wayvane-gps";
  // GetModuleFileNameW and readlink() cut the text to the buffer, saying only that.
  auto cut_short = [&](char* data, std::size_t size) -> std::optional<std::size_t> {
    std::size_t n = std::min(size, path.size());
    path.copy(data, n);
    return n;
  };
  // GetEnvironmentVariableW and the like write nothing, and say what size they need.
  auto say_needed = [&](char* data, std::size_t size) -> std::optional<std::size_t> {
    if (size <= path.size()) return path.size() + 1;
    path.copy(data, path.size());
    return path.size();
  };
  EXPECT_EQ(detail::fill_growing<char>(260, 1 << 16, cut_short), path);
  EXPECT_EQ(detail::fill_growing<char>(260, 1 << 16, say_needed), path);
  EXPECT_EQ(detail::fill_growing<char>(260, 4096, cut_short), std::nullopt);
  EXPECT_EQ(detail::fill_growing<char>(260, 260, say_needed), std::nullopt);
  EXPECT_EQ(detail::fill_growing<char>(260, 1 << 16, [](char*, std::size_t) { return std::optional<std::size_t>(); }),
            std::nullopt);
}

}  // namespace
}  // namespace wv
