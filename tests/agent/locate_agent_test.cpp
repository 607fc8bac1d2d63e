// Finding the agent executable: the path the variable names, or the file
// beside the running executable.

#include "agent/agent_launch.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "platform/env.h"
#include "platform/os.h"
#include "platform/testing/env_testing.h"
#include "platform/text.h"
#include "tests/support/test_support.h"

namespace wv {
namespace {

namespace fs = std::filesystem;
using test::native;
using test::ScopedEnv;
using test::ScratchDir;

class LocateAgentTest : public ::testing::Test {
 protected:
  ScopedEnv agent_path_{std::string(kAgentPathVar), std::nullopt};
  ScratchDir scratch_;
};

TEST_F(LocateAgentTest, AnExistingFileNamedByTheVariableIsReturnedUnchanged) {
  fs::path file = scratch_.write("some agent", "x");
  set_env(kAgentPathVar, file.native());
  EXPECT_EQ(locate_agent(), file);
}

TEST_F(LocateAgentTest, AMissingOrDirectoryPathInTheVariableIsNotFound) {
  set_env(kAgentPathVar, (scratch_ / "missing").native());
  EXPECT_EQ(locate_agent(), std::nullopt);
  set_env(kAgentPathVar, scratch_.path().native());
  EXPECT_EQ(locate_agent(), std::nullopt);
}

TEST_F(LocateAgentTest, ARelativePathIsTestedAgainstTheCurrentDirectoryAndKeptRelative) {
  scratch_.write("sub/agent-file", "x");
  test::ScopedCwd cwd(scratch_.path());
  set_env(kAgentPathVar, native("sub/agent-file"));
  EXPECT_EQ(locate_agent(), fs::path(native("sub/agent-file")));
  set_env(kAgentPathVar, native("sub/other-file"));
  EXPECT_EQ(locate_agent(), std::nullopt);
}

TEST_F(LocateAgentTest, AnAgentWhosePathPassesMaxPathIsFound) {
  std::string dirs;
  while (path_to_utf8_lossy(scratch_.path()).size() + dirs.size() < 300) dirs += std::string(40, 'a') + "/";
  fs::path agent = scratch_.write(dirs + "agent", "").lexically_normal();
  set_env(kAgentPathVar, agent.native());
  EXPECT_EQ(locate_agent(), agent);
}

TEST_F(LocateAgentTest, LinksAreFollowed) {
  if (kIsWindows) GTEST_SKIP() << "symbolic links need privileges there";
  fs::path target = scratch_.write("real", "x");
  fs::create_symlink(target, scratch_ / "link");
  fs::create_symlink(scratch_ / "gone", scratch_ / "dangling");
  fs::create_directory(scratch_ / "dir");
  fs::create_symlink(scratch_ / "dir", scratch_ / "dir-link");

  set_env(kAgentPathVar, (scratch_ / "link").native());
  EXPECT_EQ(locate_agent(), scratch_ / "link");
  set_env(kAgentPathVar, (scratch_ / "dangling").native());
  EXPECT_EQ(locate_agent(), std::nullopt);
  set_env(kAgentPathVar, (scratch_ / "dir-link").native());
  EXPECT_EQ(locate_agent(), std::nullopt);
}

// The agent file beside the running executable (the test binary here). It is
// put there only for as long as each test needs it: the host's own tests run
// from the same directory and must not find one by accident.
class AgentBesideExeTest : public LocateAgentTest {
 protected:
  void SetUp() override {
    if (fs::exists(fs::symlink_status(beside_))) {
      GTEST_SKIP() << path_to_utf8_lossy(beside_) << " already exists; not touching it";
    }
  }
  void TearDown() override {
    std::error_code ec;
    if (placed_) fs::remove_all(beside_, ec);
  }
  // Any file will do: finding the agent does not look inside it.
  void place_file() {
    placed_ = true;
    std::ofstream(beside_) << "x";
  }
  void place_directory() {
    placed_ = true;
    fs::create_directory(beside_);
  }

  const fs::path beside_ = test::build_dir() / native(agent_file_name());
  bool placed_ = false;
};

TEST_F(AgentBesideExeTest, UnsetVariableFindsTheAgentBesideTheExecutable) {
  EXPECT_EQ(locate_agent(), std::nullopt);
  place_file();
  auto found = locate_agent();
  ASSERT_TRUE(found);
  EXPECT_EQ(*found, beside_);
  EXPECT_TRUE(found->is_absolute());
}

TEST_F(AgentBesideExeTest, ADirectoryBesideTheExecutableIsNotAnAgent) {
  place_directory();
  EXPECT_EQ(locate_agent(), std::nullopt);
}

TEST_F(AgentBesideExeTest, ASetVariableNeverFallsBackToTheExecutablesDirectory) {
  place_file();
  set_env(kAgentPathVar, (scratch_ / "missing").native());
  EXPECT_EQ(locate_agent(), std::nullopt);
  // Set but empty is still set.
  set_env(kAgentPathVar, NativeString());
  EXPECT_EQ(locate_agent(), std::nullopt);
}

}  // namespace
}  // namespace wv
