#include "datadir/snapshot.h"

#include "datadir/device_index.h"
#include "platform/clock.h"

namespace wv {

bool is_stale(std::uint64_t updated_at, std::uint64_t now, Duration stale_after) {
  if (updated_at == 0) return false;
  std::uint64_t age = now > updated_at ? now - updated_at : 0;
  return age > stale_after.secs;
}

Snapshot load_snapshot_at(const std::filesystem::path& dir, Duration stale_after, std::uint64_t now) {
  Snapshot snapshot;
  DeviceIndex index = read_index(dir);
  for (const DeviceRef& ref : index.devices) {
    std::optional<DeviceStatusFile> status = read_status(dir, ref.udid);
    if (!status) continue;
    bool stale = is_stale(status->report.updated_at, now, stale_after);
    snapshot.push_back(DeviceView{std::move(*status), stale});
  }
  return snapshot;
}

Snapshot load_snapshot(const std::filesystem::path& dir, Duration stale_after) {
  // One clock reading, before any file is opened, for every device of the poll.
  return load_snapshot_at(dir, stale_after, now_unix_secs());
}

}  // namespace wv
