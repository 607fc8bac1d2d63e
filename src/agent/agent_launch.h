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

// Functions rather than constants: a std::string made during static
// initialisation could throw where nothing can catch it.
inline std::string agent_file_name() { return "wayvane-gps-agent" + std::string(kExeSuffix); }
// How a user of this platform's shell points the host at a development build.
inline std::string agent_path_hint() {
  return kIsWindows ? "  $env:" + std::string(kAgentPathVar) + " = \"...\\target\\debug\\" + agent_file_name() + "\""
                    : "  export " + std::string(kAgentPathVar) + "=\".../" + agent_file_name() + "\"";
}

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
