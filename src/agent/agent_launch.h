#pragma once
// Finding the agent executable and starting one agent process from it.

#include <expected>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "platform/os.h"
#include "platform/os_error.h"
#include "platform/process.h"

namespace wv {

inline constexpr std::string_view kAgentPathVar = "WAYVANE_AGENT_PATH";
inline constexpr std::string_view kBundleIdVar = "WAYVANE_APP_BUNDLE_ID";
inline constexpr std::string_view kSupervisedVar = "WAYVANE_SUPERVISED";
// The companion phone app's identifier, used when the host's environment has none.
inline constexpr std::string_view kBuiltInBundleId = "com.wayvane.companion";

inline const std::string kAgentFileName = "wayvane-gps-agent" + std::string(kExeSuffix);
// How a user of this platform's shell points the host at a development build.
inline const std::string kAgentPathHint =
    kIsWindows ? "  $env:" + std::string(kAgentPathVar) + " = \"...\\target\\debug\\" + kAgentFileName + "\""
               : "  export " + std::string(kAgentPathVar) + "=\".../" + kAgentFileName + "\"";

// WAYVANE_AGENT_PATH when it is set (and then only that), else the agent file
// beside the running executable; nothing unless the path names an existing
// file that is not a directory.
std::optional<std::filesystem::path> locate_agent();

// One launched agent: its process and the write end of its stdin pipe.
// Releasing it closes what it still holds; it never ends the process.
struct AgentProcess {
  ChildProcess process;
  PipeEnd stdin_writer;
};

// Starts `agent_path run` with the host's environment plus WAYVANE_SUPERVISED,
// WAYVANE_APP_BUNDLE_ID and WAYVANE_GPS_DIR, a new pipe on its standard input
// and the host's own standard output and error. Waits for nothing.
std::expected<AgentProcess, OsError> launch_agent(const std::filesystem::path& agent_path,
                                                  const std::filesystem::path& data_dir);

}  // namespace wv
