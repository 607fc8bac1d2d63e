#pragma once
// Facts about the platform the program was built for.

#include <string_view>

namespace wv {

#if defined(_WIN32)
inline constexpr bool kIsWindows = true;
inline constexpr std::string_view kAgentFileName = "wayvane-gps-agent.exe";
// How a user of this platform's shell points the host at a development build.
inline constexpr std::string_view kAgentPathHint =
    "  $env:WAYVANE_AGENT_PATH = \"...\\target\\debug\\wayvane-gps-agent.exe\"";
inline constexpr std::string_view kExeSuffix = ".exe";
#else
inline constexpr bool kIsWindows = false;
inline constexpr std::string_view kAgentFileName = "wayvane-gps-agent";
inline constexpr std::string_view kAgentPathHint =
    "  export WAYVANE_AGENT_PATH=\".../wayvane-gps-agent\"";
inline constexpr std::string_view kExeSuffix = "";
#endif

}  // namespace wv
