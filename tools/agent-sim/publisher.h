#pragma once
// The simulated agent's publishing mode.
//
// A scenario is a JSON file:
//   {
//     "crash_at": 35,              // seconds; exit with code 3 once, as a crash
//     "churn": false,              // rewrite the status files as fast as possible
//     "churn_for": 30,             // seconds; with churn, go back to the calm
//                                  // cadence from then on (default: never)
//     "devices": [
//       { "udid": "...", "name": "...",
//         "status": { ...status keys... },      // the base status
//         "frames": [ { "at": 12, "set": { ...keys... } }, ... ],
//         "freeze_at": 5 },                     // stop rewriting from then on
//       ...
//     ]
//   }
// Every second the simulator writes devices.json and, for each device, the
// base status patched with every frame whose "at" has passed, with a fresh
// "updated_at" (and a route's distance advancing). Files are rewritten in
// place, in two pieces, so a reader sometimes catches one half-written. Time
// counts from the first launch, kept in a state file, so that a relaunch after
// the crash carries on where the scenario was. When standard input ends, every
// device is published idle and the simulator exits 0.

#include <filesystem>
#include <functional>

namespace wv::sim {

int run_publisher(const std::filesystem::path& scenario, const std::function<void()>& on_stdin_end);

}  // namespace wv::sim
