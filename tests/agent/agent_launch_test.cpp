// What a launched agent actually receives: its command line, its environment,
// its working directory and its streams.

#include "agent/agent_launch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <optional>
#include <string>

#include "datadir/data_dir.h"
#include "platform/clock.h"
#include "platform/env.h"
#include "platform/os.h"
#include "platform/process.h"
#include "platform/testing/env_testing.h"
#include "platform/testing/process_testing.h"
#include "platform/text.h"
#include "platform/thread.h"
#include "tests/support/sim_agent.h"
#include "tests/support/test_support.h"

namespace wv {
namespace {

namespace fs = std::filesystem;
using test::native;
using test::parse_record;
using test::ScopedEnv;
using test::ScratchDir;

class LaunchAgentTest : public ::testing::Test {
 protected:
  // Launches the simulated agent (in its default mode, which exits once its
  // stdin ends) with its record going to `record`, and waits until it wrote it.
  AgentProcess launch(const fs::path& record, const fs::path& agent = test::agent_sim_exe()) {
    set_env("WV_SIM_RECORD", record.native());
    auto launched = launch_agent(agent, data_dir_);
    if (!launched) {
      ADD_FAILURE() << "launch failed: " << launched.error().text();
      return {};
    }
    EXPECT_TRUE(test::wait_for_ready(record)) << "the agent never wrote its record";
    return std::move(*launched);
  }

  // Closes the agent's stdin and waits for it to go.
  static void finish(AgentProcess& agent) {
    agent.stdin_writer.close();
    EXPECT_TRUE(test::wait_until([&] { return agent.process.has_ended(); }, test::kAgentTimeout));
  }

  test::SimKnobs knobs_;
  ScopedEnv bundle_{std::string(kBundleIdVar), std::nullopt};
  ScopedEnv supervised_{std::string(kSupervisedVar), std::nullopt};
  ScopedEnv gps_dir_{std::string(kDataDirVar), std::nullopt};
  ScratchDir scratch_;
  // Not ASCII and with a space: it must reach the agent as exactly this text.
  fs::path data_dir_ = scratch_.path() / native("données gps");
};

TEST_F(LaunchAgentTest, CommandLineIsTheProgramPathAndRunEvenWithSpacesInThePath) {
  fs::path agent = scratch_ / ("dir with spaces/agent sim" + std::string(kExeSuffix));
  fs::create_directories(agent.parent_path());
  fs::copy_file(test::agent_sim_exe(), agent);
  fs::permissions(agent, fs::perms::owner_all, fs::perm_options::add);

  AgentProcess proc = launch(scratch_ / "record", agent);
  finish(proc);
  auto record = parse_record(scratch_ / "record");
  EXPECT_EQ(record.args, (std::vector<std::string>{path_to_utf8_lossy(agent), "run"}));
}

TEST_F(LaunchAgentTest, AgentGetsTheHostEnvironmentPlusItsThreeVariables) {
  ScopedEnv marker("WV_TEST_INHERITED", "a value = with spaces");
  // Host values of the agent's own variables are replaced, not duplicated.
  set_env(kSupervisedVar, native("0"));
  set_env(kDataDirVar, native("/somewhere/else"));
  std::vector<std::string> host_env = environment_entries();

  AgentProcess proc = launch(scratch_ / "record");
  finish(proc);
  auto record = parse_record(scratch_ / "record");

  EXPECT_EQ(record.env_values("WV_TEST_INHERITED"), std::vector<std::string>{"a value = with spaces"});
  EXPECT_EQ(record.env_values("WAYVANE_SUPERVISED"), std::vector<std::string>{"1"});
  EXPECT_EQ(record.env_values("WAYVANE_GPS_DIR"), std::vector<std::string>{path_to_utf8_lossy(data_dir_)});
  EXPECT_EQ(record.env_values("WAYVANE_APP_BUNDLE_ID"), std::vector<std::string>{std::string(kBuiltInBundleId)});

  // Everything else the host had arrives untouched (on Windows that includes
  // the hidden "=C:" entries).
  for (const auto& entry : host_env) {
    if (entry.starts_with("WAYVANE_SUPERVISED=") || entry.starts_with("WAYVANE_GPS_DIR=")) continue;
    EXPECT_NE(std::find(record.env.begin(), record.env.end(), entry), record.env.end())
        << "missing in the agent: " << entry;
  }
}

TEST_F(LaunchAgentTest, HostValuesAreOverriddenWhateverTheCaseOfTheirNameOnWindows) {
  if (!kIsWindows) GTEST_SKIP() << "variable names are case-sensitive here";
  ScopedEnv lower_dir("wayvane_gps_dir", "host value");
  ScopedEnv lower_supervised("Wayvane_Supervised", "0");

  AgentProcess proc = launch(scratch_ / "record");
  finish(proc);
  auto record = parse_record(scratch_ / "record");

  std::vector<std::string> matching;
  for (const auto& entry : record.env) {
    std::string name = entry.substr(0, entry.find('=', 1));
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::toupper(c); });
    if (name == "WAYVANE_GPS_DIR" || name == "WAYVANE_SUPERVISED") matching.push_back(entry);
  }
  std::sort(matching.begin(), matching.end());
  EXPECT_EQ(matching,
            (std::vector<std::string>{"WAYVANE_GPS_DIR=" + path_to_utf8_lossy(data_dir_), "WAYVANE_SUPERVISED=1"}));
}

TEST_F(LaunchAgentTest, BundleIdComesFromTheHostAtEachLaunchEvenWhenEmpty) {
  struct Case {
    std::optional<std::string> host;
    std::string agent_sees;
  };
  const Case cases[] = {
      {"com.example.testapp", "com.example.testapp"},
      {"", ""},
      {std::nullopt, std::string(kBuiltInBundleId)},
  };
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.host ? "host value \"" + *c.host + "\"" : "host unset");
    set_env(kBundleIdVar, c.host ? std::optional<NativeString>(native(*c.host)) : std::nullopt);
    fs::path record_file = scratch_ / ("record" + std::to_string(n++));
    AgentProcess proc = launch(record_file);
    finish(proc);
    EXPECT_EQ(parse_record(record_file).env_values("WAYVANE_APP_BUNDLE_ID"), std::vector<std::string>{c.agent_sees});
  }
}

TEST_F(LaunchAgentTest, AgentStartsInTheHostsCurrentDirectory) {
  fs::create_directory(scratch_ / "cwd");
  test::ScopedCwd cwd(scratch_ / "cwd");
  AgentProcess proc = launch(scratch_ / "record");
  finish(proc);
  auto record = parse_record(scratch_ / "record");
  std::error_code ec;
  EXPECT_TRUE(fs::equivalent(fs::path(native(record.cwd)), scratch_ / "cwd", ec)) << record.cwd;
}

TEST_F(LaunchAgentTest, AgentSeesTheEndOfItsInputOnlyWhenTheHostClosesItsEnd) {
  AgentProcess proc = launch(scratch_ / "record");
  // Give a wrongly wired stdin (already at its end) time to show.
  sleep_for(Duration::millis(300));
  EXPECT_FALSE(parse_record(scratch_ / "record").stdin_end);
  EXPECT_FALSE(proc.process.has_ended());

  proc.stdin_writer.close();
  EXPECT_TRUE(test::wait_for_stdin_end(scratch_ / "record"));
  EXPECT_TRUE(test::wait_until([&] { return proc.process.has_ended(); }, test::kAgentTimeout));
  EXPECT_EQ(proc.process.exit_code(), 0);
}

TEST_F(LaunchAgentTest, ReleasingTheAgentProcessClosesItsStdin) {
  {
    AgentProcess proc = launch(scratch_ / "record");
  }
  EXPECT_TRUE(test::wait_for_stdin_end(scratch_ / "record"));
}

// A write end inherited by a later agent would keep the earlier agent's input
// open after the host closed it, and the earlier agent would never stop.
TEST_F(LaunchAgentTest, AnotherAgentLaunchedLaterDoesNotHoldTheFirstAgentsPipe) {
  AgentProcess first = launch(scratch_ / "first");
  AgentProcess second = launch(scratch_ / "second");

  if (!kIsWindows) {
    auto first_record = parse_record(scratch_ / "first");
    auto first_pipe = first_record.fd_target(0);
    ASSERT_TRUE(first_pipe);
    for (const auto& fd : parse_record(scratch_ / "second").fds) {
      EXPECT_FALSE(fd.ends_with(" -> " + *first_pipe)) << "second agent holds " << fd;
    }
  }

  first.stdin_writer.close();
  EXPECT_TRUE(test::wait_for_stdin_end(scratch_ / "first"));
  EXPECT_TRUE(test::wait_until([&] { return first.process.has_ended(); }, test::kAgentTimeout));
  EXPECT_FALSE(second.process.has_ended());
  EXPECT_FALSE(parse_record(scratch_ / "second").stdin_end);
  finish(second);
}

TEST_F(LaunchAgentTest, OnlyTheAgentsStandardInputHoldsItsPipeAndItsOutputIsTheHosts) {
  if (kIsWindows) GTEST_SKIP() << "a process's handles cannot be listed there";
  AgentProcess proc = launch(scratch_ / "record");
  auto record = parse_record(scratch_ / "record");
  std::vector<std::string> host_fds = describe_open_handles();

  auto stdin_target = record.fd_target(0);
  ASSERT_TRUE(stdin_target);
  EXPECT_TRUE(stdin_target->starts_with("pipe:")) << *stdin_target;
  // Neither end of the pipe sits on any other descriptor of the agent...
  for (const auto& fd : record.fds) {
    if (fd.starts_with("0 -> ")) continue;
    EXPECT_FALSE(fd.ends_with(" -> " + *stdin_target)) << "agent also holds " << fd;
  }
  // ...and the host kept only its write end, not its copy of the read end.
  EXPECT_EQ(std::count_if(host_fds.begin(), host_fds.end(),
                          [&](const std::string& fd) { return fd.ends_with(" -> " + *stdin_target); }),
            1);

  for (int stream : {1, 2}) {
    std::string prefix = std::to_string(stream) + " -> ";
    auto host_stream =
        std::find_if(host_fds.begin(), host_fds.end(), [&](const std::string& fd) { return fd.starts_with(prefix); });
    ASSERT_NE(host_stream, host_fds.end());
    EXPECT_EQ(record.fd_target(stream), host_stream->substr(prefix.size())) << "stream " << stream;
  }
  finish(proc);
}

// What the host holds beyond its standard streams, inheritable or not, stays
// with it: a launcher waiting for the end of a pipe it gave the host would
// otherwise wait as long as the agent runs.
TEST_F(LaunchAgentTest, TheAgentInheritsNoneOfTheHostsHandlesButItsStreams) {
  InheritablePipe launchers_pipe;
  ASSERT_TRUE(launchers_pipe.is_open());
  AgentProcess proc = launch(scratch_ / "record");
  launchers_pipe.close_write_end();
  EXPECT_TRUE(launchers_pipe.wait_for_end(std::chrono::seconds(5))) << "the agent holds the host's pipe";
  EXPECT_FALSE(proc.process.has_ended());
  finish(proc);
}

TEST_F(LaunchAgentTest, AMissingProgramGivesThePlatformErrorAndLeavesNothingOpen) {
  auto before = open_handle_count();
  auto launched = launch_agent(scratch_ / ("missing" + std::string(kExeSuffix)), data_dir_);
  ASSERT_FALSE(launched);
  // ENOENT and ERROR_FILE_NOT_FOUND are both 2.
  EXPECT_EQ(launched.error().code, 2);
  EXPECT_FALSE(launched.error().message.empty());
  EXPECT_EQ(launched.error().text(), launched.error().message + " (os error 2)");
  EXPECT_EQ(open_handle_count(), before);
}

TEST_F(LaunchAgentTest, AFileThatIsNotAProgramGivesThePlatformErrorAndLeavesNothingOpen) {
  // Not executable here; not an executable image on Windows.
  fs::path file = scratch_.write("not-a-program" + std::string(kExeSuffix), "just text\n");
  auto before = open_handle_count();
  auto launched = launch_agent(file, data_dir_);
  ASSERT_FALSE(launched);
  const OsError& error = launched.error();
  if (!kIsWindows) {
    EXPECT_EQ(error.code, EACCES);
  }
  EXPECT_NE(error.code, 0);
  EXPECT_FALSE(error.message.empty());
  EXPECT_FALSE(std::isspace(static_cast<unsigned char>(error.message.back()))) << error.message;
  EXPECT_EQ(error.text(), error.message + " (os error " + std::to_string(error.code) + ")");
  EXPECT_EQ(open_handle_count(), before);
}

}  // namespace
}  // namespace wv
