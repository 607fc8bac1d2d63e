// Where the data directory is, and the paths of the files in it. The host and
// the agent must agree on the folder, so the order of the fall-backs and the
// exact text of the result matter, not only that some folder comes out.

#include "datadir/data_dir.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/os.h"
#include "platform/text.h"
#include "tests/support/test_support.h"

namespace wv {
namespace {

namespace fs = std::filesystem;
using test::native;
using test::ScopedEnv;

struct EnvCase {
  const char* name;
  std::optional<std::string> gps_dir, local_app_data, user_profile;
  std::string expected;  // "<temp>" stands for the temporary directory, as text
};

// What the system reports as its temporary directory during these tests.
// Windows adds the trailing backslash itself, so the data directory must not
// get a second one.
constexpr const char* kTempVar = kIsWindows ? "TMP" : "TMPDIR";
constexpr const char* kTempValue = kIsWindows ? "C:\\wv-temp" : "/var/wv-temp/";
constexpr const char* kTempDataDir = kIsWindows ? "C:\\wv-temp\\Wayvane GPS" : "/var/wv-temp/Wayvane GPS";

std::vector<EnvCase> resolution_cases() {
  if (kIsWindows) {
    return {
        {"override wins over both bases", "D:\\gps", "C:\\Users\\a\\AppData\\Local", "C:\\Users\\a", "D:\\gps"},
        {"override is kept as set", "D:\\gps\\", std::nullopt, std::nullopt, "D:\\gps\\"},
        {"relative override stays relative", "gps", "C:\\L", std::nullopt, "gps"},
        {"empty override counts as unset", "", "C:\\Users\\a\\AppData\\Local", "C:\\Users\\a",
         "C:\\Users\\a\\AppData\\Local\\Wayvane GPS"},
        {"base with its own separator", std::nullopt, "C:\\Users\\a\\AppData\\Local\\", std::nullopt,
         "C:\\Users\\a\\AppData\\Local\\Wayvane GPS"},
        {"profile when local app data is unset", std::nullopt, std::nullopt, "C:\\Users\\a",
         "C:\\Users\\a\\Wayvane GPS"},
        {"empty local app data skips the profile", std::nullopt, "", "C:\\Users\\a", kTempDataDir},
        {"empty profile", std::nullopt, std::nullopt, "", kTempDataDir},
        {"nothing set", std::nullopt, std::nullopt, std::nullopt, kTempDataDir},
    };
  }
  return {
      {"override wins over both bases", "/srv/gps", "/home/a/.local", "/home/a", "/srv/gps"},
      {"override is kept as set", "/srv/gps/", std::nullopt, std::nullopt, "/srv/gps/"},
      {"relative override stays relative", "gps", "/L", std::nullopt, "gps"},
      {"empty override counts as unset", "", "/home/a/.local", "/home/a", "/home/a/.local/Wayvane GPS"},
      {"base with its own separator", std::nullopt, "/home/a/.local/", std::nullopt, "/home/a/.local/Wayvane GPS"},
      {"profile when local app data is unset", std::nullopt, std::nullopt, "/home/a", "/home/a/Wayvane GPS"},
      {"empty local app data skips the profile", std::nullopt, "", "/home/a", kTempDataDir},
      {"empty profile", std::nullopt, std::nullopt, "", kTempDataDir},
      {"nothing set", std::nullopt, std::nullopt, std::nullopt, kTempDataDir},
  };
}

TEST(ResolveDataDir, FollowsTheOverrideThenLocalAppDataThenProfileThenTemp) {
  ScopedEnv temp(kTempVar, kTempValue);
  for (const auto& c : resolution_cases()) {
    SCOPED_TRACE(c.name);
    ScopedEnv gps("WAYVANE_GPS_DIR", c.gps_dir);
    ScopedEnv local("LOCALAPPDATA", c.local_app_data);
    ScopedEnv profile("USERPROFILE", c.user_profile);
    auto dir = resolve_data_dir();
    ASSERT_TRUE(dir);
    EXPECT_EQ(dir->native(), native(c.expected));
  }
}

TEST(ResolveDataDir, UsesTheSystemTemporaryDirectoryWhenNoTempVariableIsSet) {
  if (kIsWindows) GTEST_SKIP() << "the system then falls back on its own folders";
  ScopedEnv gps("WAYVANE_GPS_DIR", std::nullopt);
  ScopedEnv local("LOCALAPPDATA", std::nullopt);
  ScopedEnv profile("USERPROFILE", std::nullopt);
  for (const std::optional<std::string>& tmpdir : {std::optional<std::string>(), std::optional<std::string>("")}) {
    ScopedEnv temp("TMPDIR", tmpdir);
    EXPECT_EQ(resolve_data_dir(), fs::path("/tmp/Wayvane GPS"));
  }
}

struct PathCase {
  std::string dir;
  std::optional<std::string> udid;  // none: the index path
  std::string expected;
};

std::vector<PathCase> path_cases() {
  if (kIsWindows) {
    return {
        {"D:\\gps", std::nullopt, "D:\\gps\\devices.json"},
        {"D:\\gps\\", std::nullopt, "D:\\gps\\devices.json"},
        {"D:/gps/", std::nullopt, "D:/gps/devices.json"},
        {"gps", std::nullopt, "gps\\devices.json"},
        {"D:\\gps", "00008101-001A", "D:\\gps\\devices\\00008101-001A\\status.json"},
        {"D:\\gps\\", "abc", "D:\\gps\\devices\\abc\\status.json"},
        {"D:\\gps", "iPhone de Jos\xC3\xA9", "D:\\gps\\devices\\iPhone de Jos\xC3\xA9\\status.json"},
        {"D:\\gps", "a\\b", "D:\\gps\\devices\\a\\b\\status.json"},
        {"D:\\gps", "a/b", "D:\\gps\\devices\\a/b\\status.json"},
        {"D:\\gps", "E:\\elsewhere", "E:\\elsewhere\\status.json"},
        {"D:\\gps", "E:rel", "E:rel\\status.json"},
        {"D:\\gps", "", "D:\\gps\\devices\\status.json"},
    };
  }
  return {
      {"/srv/gps", std::nullopt, "/srv/gps/devices.json"},
      {"/srv/gps/", std::nullopt, "/srv/gps/devices.json"},
      {"gps", std::nullopt, "gps/devices.json"},
      {"/srv/gps", "00008101-001A", "/srv/gps/devices/00008101-001A/status.json"},
      {"/srv/gps/", "abc", "/srv/gps/devices/abc/status.json"},
      {"/srv/gps", "iPhone de Jos\xC3\xA9", "/srv/gps/devices/iPhone de Jos\xC3\xA9/status.json"},
      {"/srv/gps", "a/b", "/srv/gps/devices/a/b/status.json"},
      {"/srv/gps", "a\\b", "/srv/gps/devices/a\\b/status.json"},
      {"/srv/gps", "/elsewhere", "/elsewhere/status.json"},
      {"/srv/gps", "", "/srv/gps/devices/status.json"},
  };
}

TEST(DataDirPaths, JoinWithOneSeparatorAndInsertTheUdidUnchanged) {
  for (const auto& c : path_cases()) {
    SCOPED_TRACE(c.dir + (c.udid ? " + udid \"" + *c.udid + "\"" : " index"));
    fs::path dir(native(c.dir));
    fs::path got = c.udid ? status_path(dir, *c.udid) : index_path(dir);
    EXPECT_EQ(got.native(), native(c.expected));
  }
}

}  // namespace
}  // namespace wv
