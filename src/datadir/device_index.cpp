#include "datadir/device_index.h"

#include "datadir/data_dir.h"
#include "datadir/json_reader.h"
#include "datadir/json_rules.h"

namespace wv {

// Each record's table: its members, in their order, with the keys that must
// be given. What each value may be follows from the member's type. A record
// that may be written as an array (ObjectOrArray) takes its values by
// position, so it gains members only at its end: one added anywhere else
// would give the values of every file already written to the wrong members.
constexpr Field kRefFields[] = {
    WV_FIELD(DeviceRef, udid, Need::Required),
    WV_FIELD(DeviceRef, name),
};
template <>
constexpr RecordTable kTable<DeviceRef> = table<DeviceRef>(kRefFields, RecordForms::ObjectOrArray);

constexpr Field kIndexFields[] = {
    WV_FIELD(DeviceIndex, version),
    WV_FIELD(DeviceIndex, agent_version),
    WV_FIELD(DeviceIndex, devices),
};
template <>
constexpr RecordTable kTable<DeviceIndex> = table<DeviceIndex>(kIndexFields, RecordForms::ObjectOrArray);

// Records here nest three deep at most, so the depth limit could only ever
// bite inside the values of unknown keys, which this file leaves unlimited.
constexpr SkippedNesting kNesting = SkippedNesting::Unlimited;

Decoded<DeviceIndex> decode_index(std::string_view text) { return read_json<DeviceIndex>(text, {.skipped = kNesting}); }

DeviceIndex read_index(const std::filesystem::path& dir) {
  PublishedFiles files;
  return read_index(dir, files);
}

DeviceIndex read_index(const std::filesystem::path& dir, PublishedFiles& files) {
  auto text = files.read(index_path(dir).native());
  if (!text) return DeviceIndex{};
  // A device the poll has no room to read is not kept.
  Decoded<DeviceIndex> index =
      read_json<DeviceIndex>(*text, {.skipped = kNesting, .kept_elements = files.files_left()});
  if (!index) return DeviceIndex{};
  return std::move(*index);
}

}  // namespace wv
