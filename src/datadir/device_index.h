#pragma once
// devices.json: the agent's list of the devices it knows, in display order.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "datadir/decode_error.h"
#include "datadir/json_file.h"

namespace wv {

// Both records may also be written as arrays of their values in this order,
// so each gains members only at its end.
struct DeviceRef {
  std::string udid;  // required; names the folder devices/<udid>
  std::string name;

  friend bool operator==(const DeviceRef&, const DeviceRef&) = default;
};

struct DeviceIndex {
  std::uint32_t version = 1;
  std::string agent_version;
  std::vector<DeviceRef> devices;  // file order, duplicates kept

  friend bool operator==(const DeviceIndex&, const DeviceIndex&) = default;
};

// Decodes the whole text of an index file. Both records may also be written as
// arrays of their values; values of unknown keys are skipped however deeply
// they nest.
Decoded<DeviceIndex> decode_index(std::string_view text);

// The index in `dir`, or the default index (no devices) when the file is
// missing, unreadable or invalid.
DeviceIndex read_index(const std::filesystem::path& dir);
// The same, read as the first of a poll's files, keeping no more devices than
// the poll has room left to read (the whole file is decoded all the same).
DeviceIndex read_index(const std::filesystem::path& dir, PublishedFiles& files);

}  // namespace wv
