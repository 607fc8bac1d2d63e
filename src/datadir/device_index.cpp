#include "datadir/device_index.h"

#include "datadir/data_dir.h"
#include "datadir/json_file.h"
#include "datadir/json_rules.h"
#include "datadir/json_value.h"

namespace wv {

namespace {

// Only the values the index decodes are kept (and depth limited); the values
// of unknown keys are read and dropped.
constexpr KeepSchema::Member kRefMembers[] = {{"udid"}, {"name"}};
constexpr KeepSchema kKeepRef{.members = kRefMembers};
// An object here is invalid anyway, so none of its members need keeping.
constexpr KeepSchema kKeepDevices{.other_items = &kKeepRef};
constexpr KeepSchema::Member kIndexMembers[] = {{"version"}, {"agent_version"}, {"devices", &kKeepDevices}};
constexpr const KeepSchema* kIndexItems[] = {nullptr, nullptr, &kKeepDevices};
constexpr KeepSchema kKeepIndex{.members = kIndexMembers, .items = kIndexItems};

constexpr Field<DeviceRef> kRefFields[] = {
    field<&DeviceRef::udid, decode_text>("udid", Need::Required),
    field<&DeviceRef::name, decode_text>("name"),
};

Decoded<DeviceRef> decode_ref(const JsonValue& v) {
  return decode_record<DeviceRef>(v, kRefFields, RecordForms::ObjectOrArray);
}

constexpr Field<DeviceIndex> kIndexFields[] = {
    field<&DeviceIndex::version, decode_u32>("version"),
    field<&DeviceIndex::agent_version, decode_text>("agent_version"),
    field<&DeviceIndex::devices, decode_list<decode_ref>>("devices"),
};

}  // namespace

Decoded<DeviceIndex> decode_index(std::string_view text) {
  Decoded<JsonValue> tree = parse_json(text, &kKeepIndex, SkippedNesting::Unlimited);
  if (!tree) return std::unexpected(std::move(tree).error());
  return decode_record<DeviceIndex>(*tree, kIndexFields, RecordForms::ObjectOrArray);
}

DeviceIndex read_index(const std::filesystem::path& dir) {
  auto text = read_published_file(index_path(dir));
  if (!text) return DeviceIndex{};
  Decoded<DeviceIndex> index = decode_index(*text);
  if (!index) return DeviceIndex{};
  return std::move(*index);
}

}  // namespace wv
