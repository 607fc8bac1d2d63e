#include "datadir/snapshot.h"

#include <algorithm>

#include "datadir/data_dir.h"
#include "datadir/device_index.h"
#include "datadir/json_file.h"
#include "platform/clock.h"

namespace wv {

bool is_stale(std::uint64_t updated_at, std::uint64_t now, Duration stale_after) {
  if (updated_at == 0) return false;
  std::uint64_t age = now > updated_at ? now - updated_at : 0;
  return age > stale_after.secs;
}

Snapshot load_snapshot_at(const std::filesystem::path& dir, Duration stale_after, std::uint64_t now) {
  Snapshot snapshot;
  // One buffer and one ceiling for all the poll's files; both go when the
  // poll's files have been read, before the screen is built.
  PublishedFiles files;
  DeviceIndex index = read_index(dir, files);
  // Room for the devices an index usually lists, not for whatever a hostile
  // one might: the ceiling, not the index, bounds how many are kept.
  constexpr std::size_t kUsualDevices = 1024;
  snapshot.reserve(std::min(index.devices.size(), kUsualDevices));
  for (const DeviceRef& ref : index.devices) {
    // Each status is decoded where the snapshot keeps it.
    DeviceView& view = snapshot.emplace_back();
    const bool read = read_status_file(status_path(dir, ref.udid).native(), files, view.status);
    // A file that would have taken the poll past its ceiling is left out like
    // an unreadable one, and so is every device after it.
    if (!read || files.spent()) {
      snapshot.pop_back();
      if (files.spent()) break;
      continue;
    }
    view.stale = is_stale(view.status.updated_at, now, stale_after);
  }
  return snapshot;
}

Snapshot load_snapshot(const std::filesystem::path& dir, Duration stale_after) {
  // One clock reading, before any file is opened, for every device of the poll.
  return load_snapshot_at(dir, stale_after, now_unix_secs());
}

}  // namespace wv
