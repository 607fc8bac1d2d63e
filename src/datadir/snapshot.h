#pragma once
// One poll's picture of all devices: the index, then each listed device's
// status, in index order, each marked stale or fresh.

#include <cstdint>
#include <filesystem>
#include <vector>

#include "datadir/device_status.h"
#include "platform/clock.h"

namespace wv {

struct DeviceView {
  DeviceStatusFile status;
  bool stale = false;

  friend bool operator==(const DeviceView&, const DeviceView&) = default;
};

// In the order of the index, duplicates kept; devices whose status cannot be
// read are left out.
using Snapshot = std::vector<DeviceView>;

// Reads the index and then each listed device's status, one file at a time,
// judging every device against one reading of the wall clock. Never fails and
// keeps nothing between calls. Reads kPollReadBytes at most: the device whose
// file would take it past that, and every device after it, are left out.
Snapshot load_snapshot(const std::filesystem::path& dir, Duration stale_after);
// The same, at a given time (seconds since 1970).
Snapshot load_snapshot_at(const std::filesystem::path& dir, Duration stale_after, std::uint64_t now);

// A status is stale when it carries a publication time (not 0) older than the
// whole seconds of `stale_after`; one dated in the future is fresh.
bool is_stale(std::uint64_t updated_at, std::uint64_t now, Duration stale_after);

}  // namespace wv
