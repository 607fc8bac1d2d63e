#include "datadir/device_index.h"

#include "datadir/data_dir.h"
#include "datadir/json_reader.h"
#include "datadir/json_rules.h"

namespace wv {

namespace {

constexpr Field kRefFields[] = {
    field<&DeviceRef::udid, decode_text>("udid", Need::Required),
    field<&DeviceRef::name, decode_text>("name"),
};
constexpr Table<DeviceRef> kRef = record_table<DeviceRef>(kRefFields, RecordForms::ObjectOrArray);

constexpr Field kIndexFields[] = {
    field<&DeviceIndex::version, decode_u32>("version"),
    field<&DeviceIndex::agent_version, decode_text>("agent_version"),
    list_field<&DeviceIndex::devices>("devices", kRef),
};
constexpr Table<DeviceIndex> kIndex = record_table<DeviceIndex>(kIndexFields, RecordForms::ObjectOrArray);

// Records here nest three deep at most, so the depth limit could only ever
// bite inside the values of unknown keys, which this file leaves unlimited.
constexpr SkippedNesting kNesting = SkippedNesting::Unlimited;

}  // namespace

Decoded<DeviceIndex> decode_index(std::string_view text) { return read_json(text, kIndex, {.skipped = kNesting}); }

DeviceIndex read_index(const std::filesystem::path& dir) {
  PublishedFiles files;
  return read_index(dir, files);
}

DeviceIndex read_index(const std::filesystem::path& dir, PublishedFiles& files) {
  auto text = files.read(index_path(dir).native());
  if (!text) return DeviceIndex{};
  // A device the poll has no room to read is not kept.
  Decoded<DeviceIndex> index = read_json(*text, kIndex, {.skipped = kNesting, .kept_elements = files.files_left()});
  if (!index) return DeviceIndex{};
  return std::move(*index);
}

}  // namespace wv
