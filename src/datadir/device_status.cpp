#include "datadir/device_status.h"

#include "datadir/data_dir.h"
#include "datadir/json_reader.h"
#include "datadir/json_rules.h"
#include "datadir/word_set.h"

namespace wv {

namespace {

// ---- Words ----

constexpr auto kSessionTexts = words_of<SessionReport>();
constexpr auto kTransportTexts = words_of<Transport>();
constexpr auto kProvenanceTexts = words_of<Provenance>();
constexpr auto kMotionTexts = words_of<Motion>();

constexpr WordSet kSession{kSessionTexts, UnknownWord::Invalid};
constexpr WordSet kTransport{kTransportTexts, UnknownWord::Last};
constexpr WordSet kProvenance{kProvenanceTexts, UnknownWord::Last};
constexpr WordSet kMotion{kMotionTexts, UnknownWord::Last};

// ---- Nested records ----

constexpr Field kSummaryFields[] = {
    field<&DeviceSummary::name, decode_text>("name", Need::Required),
    field<&DeviceSummary::product_type, decode_text>("product_type", Need::Required),
    field<&DeviceSummary::ios_version, decode_text>("ios_version", Need::Required),
};
constexpr Table<DeviceSummary> kSummary = record_table<DeviceSummary>(kSummaryFields, RecordForms::ObjectOrArray);

constexpr Field kRouteFields[] = {
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
constexpr Table<RouteStatus> kRoute = record_table<RouteStatus>(kRouteFields, RecordForms::ObjectOrArray);

constexpr Field kSteeringFields[] = {
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
constexpr Table<SteeringStatus> kSteering = record_table<SteeringStatus>(kSteeringFields, RecordForms::ObjectOrArray);

// ---- The file's object ----

constexpr Field kReportFields[] = {
    field<&StatusReport::version, decode_u32>("version", Need::Required),
    field<&StatusReport::agent_version, decode_text>("agent_version", Need::Required),
    field<&StatusReport::connected, decode_bool>("connected", Need::Required),
    record_field<&StatusReport::device>("device", kSummary),
    word_field<&StatusReport::session>("session", kSession, Need::Required),
    word_field<&StatusReport::provenance>("provenance", kProvenance),
    field<&StatusReport::remediation, decode_text>("remediation", Need::Required),
    field<&StatusReport::error, decode_optional<decode_text>>("error"),
    word_field<&StatusReport::transport>("transport", kTransport),
    field<&StatusReport::updated_at, decode_u64>("updated_at"),
    field<&StatusReport::pairing_repair_needed, decode_bool>("pairing_repair_needed"),
    record_field<&StatusReport::route>("route", kRoute),
    word_field<&StatusReport::motion>("motion", kMotion),
    record_field<&StatusReport::steering>("steering", kSteering),
};
constexpr Table<StatusReport> kReport = record_table<StatusReport>(kReportFields, RecordForms::ObjectOnly);

// The report's keys are written beside the file's own.
constexpr Field kFileFields[] = {
    field<&DeviceStatusFile::udid, decode_text>("udid", Need::Required),
    field<&DeviceStatusFile::publish_error, decode_optional<decode_text>>("publish_error"),
};
constexpr Table<DeviceStatusFile> kFile =
    record_table_with<DeviceStatusFile, &DeviceStatusFile::report>(kFileFields, kReport);

// The depth limit holds everywhere in this file, unknown keys included.
constexpr ReadLimits kLimits{.skipped = SkippedNesting::Limited};

}  // namespace

Decoded<DeviceStatusFile> decode_status(std::string_view text) { return read_json(text, kFile, kLimits); }

std::optional<DeviceStatusFile> read_status(const std::filesystem::path& dir, std::string_view udid) {
  PublishedFiles files;
  DeviceStatusFile status;
  if (!read_status_file(status_path(dir, udid).native(), files, status)) return std::nullopt;
  return status;
}

bool read_status_file(const std::filesystem::path::string_type& path, PublishedFiles& files,
                      DeviceStatusFile& status) {
  auto text = files.read(path);
  return text && read_json_into(*text, kFile, status, kLimits);
}

}  // namespace wv
