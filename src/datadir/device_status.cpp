#include "datadir/device_status.h"

#include "datadir/data_dir.h"
#include "datadir/json_reader.h"
#include "datadir/json_rules.h"

namespace wv {

// Each record's table: its members, in their order, with the keys that must
// be given. What each value may be follows from the member's type. A record
// that may be written as an array (ObjectOrArray) takes its values by
// position, so it gains members only at its end: one added anywhere else
// would give the values of every file already written to the wrong members.
constexpr Field kSummaryFields[] = {
    WV_FIELD(DeviceSummary, name, Need::Required),
    WV_FIELD(DeviceSummary, product_type, Need::Required),
    WV_FIELD(DeviceSummary, ios_version, Need::Required),
};
template <>
constexpr RecordTable kTable<DeviceSummary> = table<DeviceSummary>(kSummaryFields, RecordForms::ObjectOrArray);

constexpr Field kRouteFields[] = {
    WV_FIELD(RouteStatus, id),
    WV_FIELD(RouteStatus, started_at),
    WV_FIELD(RouteStatus, name),
    WV_FIELD(RouteStatus, travelled_m),
    WV_FIELD(RouteStatus, total_m),
    WV_FIELD(RouteStatus, paused),
    WV_FIELD(RouteStatus, finished),
    WV_FIELD(RouteStatus, remaining_secs),
    WV_FIELD(RouteStatus, speed_defaulted),
    WV_FIELD(RouteStatus, start_travelled_m),
};
template <>
constexpr RecordTable kTable<RouteStatus> = table<RouteStatus>(kRouteFields, RecordForms::ObjectOrArray);

constexpr Field kSteeringFields[] = {
    WV_FIELD(SteeringStatus, seq),       WV_FIELD(SteeringStatus, heading_deg),
    WV_FIELD(SteeringStatus, speed_mps), WV_FIELD(SteeringStatus, latitude),
    WV_FIELD(SteeringStatus, longitude), WV_FIELD(SteeringStatus, travelled_m),
    WV_FIELD(SteeringStatus, ttl_secs),  WV_FIELD(SteeringStatus, expires_in_secs),
    WV_FIELD(SteeringStatus, held),      WV_FIELD(SteeringStatus, expired),
    WV_FIELD(SteeringStatus, rejected),
};
template <>
constexpr RecordTable kTable<SteeringStatus> = table<SteeringStatus>(kSteeringFields, RecordForms::ObjectOrArray);

// The file's own keys and its report's, in one object.
constexpr Field kFileFields[] = {
    WV_FIELD(DeviceStatusFile, udid, Need::Required),
    WV_FIELD(DeviceStatusFile, publish_error),
    WV_FIELD(DeviceStatusFile, version, Need::Required),
    WV_FIELD(DeviceStatusFile, agent_version, Need::Required),
    WV_FIELD(DeviceStatusFile, connected, Need::Required),
    WV_FIELD(DeviceStatusFile, device),
    WV_FIELD(DeviceStatusFile, session, Need::Required),
    WV_FIELD(DeviceStatusFile, provenance),
    WV_FIELD(DeviceStatusFile, remediation, Need::Required),
    WV_FIELD(DeviceStatusFile, error),
    WV_FIELD(DeviceStatusFile, transport),
    WV_FIELD(DeviceStatusFile, updated_at),
    WV_FIELD(DeviceStatusFile, pairing_repair_needed),
    WV_FIELD(DeviceStatusFile, route),
    WV_FIELD(DeviceStatusFile, motion),
    WV_FIELD(DeviceStatusFile, steering),
};
template <>
constexpr RecordTable kTable<DeviceStatusFile> = table<DeviceStatusFile>(kFileFields, RecordForms::ObjectOnly);

// The depth limit holds everywhere in this file, unknown keys included.
constexpr ReadLimits kLimits{.skipped = SkippedNesting::Limited};

Decoded<DeviceStatusFile> decode_status(std::string_view text) { return read_json<DeviceStatusFile>(text, kLimits); }

std::optional<DeviceStatusFile> read_status(const std::filesystem::path& dir, std::string_view udid) {
  PublishedFiles files;
  DeviceStatusFile status;
  if (!read_status_file(status_path(dir, udid).native(), files, status)) return std::nullopt;
  return status;
}

bool read_status_file(const std::filesystem::path::string_type& path, PublishedFiles& files, DeviceStatusFile& status) {
  auto text = files.read(path);
  return text && read_json_into(*text, status, kLimits);
}

}  // namespace wv
