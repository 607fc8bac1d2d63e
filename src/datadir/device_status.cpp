#include "datadir/device_status.h"

#include "datadir/data_dir.h"
#include "datadir/json_file.h"
#include "datadir/json_rules.h"
#include "datadir/json_value.h"

namespace wv {

namespace {

// ---- Words ----

constexpr std::string_view kSessionWords[] = {"idle", "spoofing", "lost"};
constexpr std::string_view kTransportWords[] = {"usb", "wireless", "unknown"};
constexpr std::string_view kProvenanceWords[] = {"vpn-sync", "manual", "from-app", "unknown"};
constexpr std::string_view kMotionWords[] = {"still", "route", "steering", "unknown"};

Decoded<SessionReport> decode_session(const JsonValue& v) {
  return decode_word<SessionReport>(v, kSessionWords, UnknownWord::Invalid);
}
Decoded<Transport> decode_transport(const JsonValue& v) {
  return decode_word<Transport>(v, kTransportWords, UnknownWord::Last);
}
Decoded<Provenance> decode_provenance(const JsonValue& v) {
  return decode_word<Provenance>(v, kProvenanceWords, UnknownWord::Last);
}
Decoded<Motion> decode_motion(const JsonValue& v) { return decode_word<Motion>(v, kMotionWords, UnknownWord::Last); }

// ---- Nested records ----

constexpr Field<DeviceSummary> kSummaryFields[] = {
    field<&DeviceSummary::name, decode_text>("name", Need::Required),
    field<&DeviceSummary::product_type, decode_text>("product_type", Need::Required),
    field<&DeviceSummary::ios_version, decode_text>("ios_version", Need::Required),
};

constexpr Field<RouteStatus> kRouteFields[] = {
    field<&RouteStatus::id, decode_text>("id"),
    field<&RouteStatus::started_at, decode_optional<decode_u64>>("started_at"),
    field<&RouteStatus::name, decode_text>("name"),
    field<&RouteStatus::travelled_m, decode_f64>("travelled_m"),
    field<&RouteStatus::total_m, decode_f64>("total_m"),
    field<&RouteStatus::paused, decode_bool>("paused"),
    field<&RouteStatus::finished, decode_bool>("finished"),
    field<&RouteStatus::remaining_secs, decode_optional<decode_u64>>("remaining_secs"),
    field<&RouteStatus::speed_defaulted, decode_bool>("speed_defaulted"),
    field<&RouteStatus::start_travelled_m, decode_optional<decode_f64>>("start_travelled_m"),
};

constexpr Field<SteeringStatus> kSteeringFields[] = {
    field<&SteeringStatus::seq, decode_u64>("seq"),
    field<&SteeringStatus::heading_deg, decode_f64>("heading_deg"),
    field<&SteeringStatus::speed_mps, decode_f64>("speed_mps"),
    field<&SteeringStatus::latitude, decode_f64>("latitude"),
    field<&SteeringStatus::longitude, decode_f64>("longitude"),
    field<&SteeringStatus::travelled_m, decode_f64>("travelled_m"),
    field<&SteeringStatus::ttl_secs, decode_u64>("ttl_secs"),
    field<&SteeringStatus::expires_in_secs, decode_u64>("expires_in_secs"),
    field<&SteeringStatus::held, decode_bool>("held"),
    field<&SteeringStatus::expired, decode_bool>("expired"),
    field<&SteeringStatus::rejected, decode_optional<decode_text>>("rejected"),
};

Decoded<DeviceSummary> decode_summary(const JsonValue& v) {
  return decode_record<DeviceSummary>(v, kSummaryFields, RecordForms::ObjectOrArray);
}
Decoded<RouteStatus> decode_route(const JsonValue& v) {
  return decode_record<RouteStatus>(v, kRouteFields, RecordForms::ObjectOrArray);
}
Decoded<SteeringStatus> decode_steering(const JsonValue& v) {
  return decode_record<SteeringStatus>(v, kSteeringFields, RecordForms::ObjectOrArray);
}

// ---- The file's object ----

constexpr Field<DeviceStatusFile> kFileFields[] = {
    field<&DeviceStatusFile::udid, decode_text>("udid", Need::Required),
    field<&DeviceStatusFile::publish_error, decode_optional<decode_text>>("publish_error"),
};

constexpr Field<StatusReport> kReportFields[] = {
    field<&StatusReport::version, decode_u32>("version", Need::Required),
    field<&StatusReport::agent_version, decode_text>("agent_version", Need::Required),
    field<&StatusReport::connected, decode_bool>("connected", Need::Required),
    field<&StatusReport::device, decode_optional<decode_summary>>("device"),
    field<&StatusReport::session, decode_session>("session", Need::Required),
    field<&StatusReport::provenance, decode_provenance>("provenance"),
    field<&StatusReport::remediation, decode_text>("remediation", Need::Required),
    field<&StatusReport::error, decode_optional<decode_text>>("error"),
    field<&StatusReport::transport, decode_transport>("transport"),
    field<&StatusReport::updated_at, decode_u64>("updated_at"),
    field<&StatusReport::pairing_repair_needed, decode_bool>("pairing_repair_needed"),
    field<&StatusReport::route, decode_optional<decode_route>>("route"),
    field<&StatusReport::motion, decode_optional<decode_motion>>("motion"),
    field<&StatusReport::steering, decode_optional<decode_steering>>("steering"),
};

// What the decoder looks at. Unknown keys, at the top and inside the nested
// records, are dropped as they are read, but still count towards the depth
// limit: in this file it holds everywhere.
constexpr KeepSchema::Member kSummaryMembers[] = {{"name"}, {"product_type"}, {"ios_version"}};
constexpr KeepSchema kKeepSummary{.members = kSummaryMembers};
constexpr KeepSchema::Member kRouteMembers[] = {
    {"id"}, {"started_at"}, {"name"}, {"travelled_m"}, {"total_m"},
    {"paused"}, {"finished"}, {"remaining_secs"}, {"speed_defaulted"}, {"start_travelled_m"},
};
constexpr KeepSchema kKeepRoute{.members = kRouteMembers};
constexpr KeepSchema::Member kSteeringMembers[] = {
    {"seq"},      {"heading_deg"}, {"speed_mps"}, {"latitude"}, {"longitude"}, {"travelled_m"},
    {"ttl_secs"}, {"expires_in_secs"}, {"held"}, {"expired"},   {"rejected"},
};
constexpr KeepSchema kKeepSteering{.members = kSteeringMembers};
constexpr KeepSchema::Member kFileMembers[] = {
    {"udid"},
    {"publish_error"},
    {"version"},
    {"agent_version"},
    {"connected"},
    {"device", &kKeepSummary},
    {"session"},
    {"provenance"},
    {"remediation"},
    {"error"},
    {"transport"},
    {"updated_at"},
    {"pairing_repair_needed"},
    {"route", &kKeepRoute},
    {"motion"},
    {"steering", &kKeepSteering},
};
constexpr KeepSchema kKeepFile{.members = kFileMembers};

}  // namespace

Decoded<DeviceStatusFile> decode_status(std::string_view text) {
  Decoded<JsonValue> tree = parse_json(text, &kKeepFile, SkippedNesting::Limited);
  if (!tree) return std::unexpected(std::move(tree).error());
  if (!tree->is_object()) return decode_failure("the status must be an object");
  Decoded<DeviceStatusFile> file = decode_record<DeviceStatusFile>(*tree, kFileFields, RecordForms::ObjectOnly);
  if (!file) return file;
  Decoded<StatusReport> report = decode_record<StatusReport>(*tree, kReportFields, RecordForms::ObjectOnly);
  if (!report) return std::unexpected(std::move(report).error());
  file->report = std::move(*report);
  return file;
}

std::optional<DeviceStatusFile> read_status(const std::filesystem::path& dir, std::string_view udid) {
  auto text = read_published_file(status_path(dir, udid));
  if (!text) return std::nullopt;
  Decoded<DeviceStatusFile> status = decode_status(*text);
  if (!status) return std::nullopt;
  return std::move(*status);
}

}  // namespace wv
