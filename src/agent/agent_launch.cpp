#include "agent/agent_launch.h"

#include "datadir/data_dir.h"
#include "platform/env.h"
#include "platform/fs.h"
#include "platform/os.h"
#include "platform/text.h"

namespace wv {

std::optional<std::filesystem::path> locate_agent() {
  std::filesystem::path candidate;
  if (auto configured = get_env(kAgentPathVar)) {
    // An explicit path is the only candidate: no fall-back when it is wrong.
    candidate = std::filesystem::path(*configured);
  } else {
    auto exe = current_exe_path();
    if (!exe) return std::nullopt;
    candidate = exe->replace_filename(native_from_utf8(agent_file_name()));
  }
  if (candidate.empty() || !is_existing_non_directory(candidate)) return std::nullopt;
  return candidate;
}

std::expected<AgentProcess, OsError> launch_agent(const std::filesystem::path& agent_path,
                                                  const std::filesystem::path& data_dir) {
  SpawnRequest request;
  request.program = agent_path;
  request.args = {native_from_utf8("run")};
  // Read at every launch, so that a relaunch sees the host's value of the moment.
  std::optional<NativeString> bundle_id = get_env(kBundleIdVar);
  request.env = {
      {std::string(kSupervisedVar), native_from_utf8("1")},
      {std::string(kBundleIdVar), bundle_id ? *bundle_id : native_from_utf8(kBuiltInBundleId)},
      {std::string(kDataDirVar), data_dir.native()},
  };
  auto spawned = spawn_process(request);
  if (!spawned) return std::unexpected(spawned.error().with_subject(path_to_utf8_lossy(agent_path)));
  return AgentProcess{std::move(spawned->process), std::move(spawned->stdin_writer)};
}

}  // namespace wv
