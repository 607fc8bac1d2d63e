#pragma once
// The simulated agent's publishing mode.

#include <filesystem>
#include <functional>

namespace wv::sim {

// Plays the scenario file, writing devices.json and the status files under
// WAYVANE_GPS_DIR until standard input ends; returns the exit code.
int run_publisher(const std::filesystem::path& scenario, const std::function<void()>& on_stdin_end);

}  // namespace wv::sim
