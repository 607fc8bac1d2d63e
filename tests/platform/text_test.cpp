// Native strings and paths: bytes on POSIX, UTF-16 on Windows.

#include "platform/text.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

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
  EXPECT_EQ(native_to_utf8_lossy(native_from_utf8("a\xFF" "b")), "a\xEF\xBF\xBD" "b");
}

TEST(TextTest, PathsJoinWithThePlatformsSeparator) {
  const std::string sep = kIsWindows ? "\\" : "/";
  std::filesystem::path dir(native_from_utf8("Wayvane GPS"));
  std::filesystem::path file = dir / native_from_utf8("devices") / native_from_utf8("Zo\xC3\xAB") / "status.json";
  EXPECT_EQ(path_to_utf8_lossy(file), "Wayvane GPS" + sep + "devices" + sep + "Zo\xC3\xAB" + sep + "status.json");
  EXPECT_EQ(path_to_utf8_lossy(file.parent_path().filename()), "Zo\xC3\xAB");
}

}  // namespace
}  // namespace wv
