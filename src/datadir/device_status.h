#pragma once
// devices/<udid>/status.json: what the agent publishes about one device.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "datadir/decode_error.h"
#include "datadir/json_file.h"

namespace wv {

// The word sets. Each value's word, as the files write it, is its case in
// word_of. A set with an Unknown value reads every word outside it as that
// value; SessionReport, without one, refuses them (see WordSet).
enum class SessionReport { Idle, Spoofing, Lost };
enum class Transport { Usb, Wireless, Unknown };
enum class Provenance { VpnSync, Manual, FromApp, Unknown };
enum class Motion { Still, Route, Steering, Unknown };

constexpr std::string_view word_of(SessionReport value) {
  switch (value) {
    case SessionReport::Idle: return "idle";
    case SessionReport::Spoofing: return "spoofing";
    case SessionReport::Lost: return "lost";
  }
  return {};
}

constexpr std::string_view word_of(Transport value) {
  switch (value) {
    case Transport::Usb: return "usb";
    case Transport::Wireless: return "wireless";
    case Transport::Unknown: return "unknown";
  }
  return {};
}

constexpr std::string_view word_of(Provenance value) {
  switch (value) {
    case Provenance::VpnSync: return "vpn-sync";
    case Provenance::Manual: return "manual";
    case Provenance::FromApp: return "from-app";
    case Provenance::Unknown: return "unknown";
  }
  return {};
}

constexpr std::string_view word_of(Motion value) {
  switch (value) {
    case Motion::Still: return "still";
    case Motion::Route: return "route";
    case Motion::Steering: return "steering";
    case Motion::Unknown: return "unknown";
  }
  return {};
}

// These three records may also be written as arrays of their values in this
// order, so each gains members only at its end.
struct DeviceSummary {
  std::string name;
  std::string product_type;
  std::string ios_version;

  friend bool operator==(const DeviceSummary&, const DeviceSummary&) = default;
};

struct RouteStatus {
  std::string id;
  std::optional<std::uint64_t> started_at;
  std::string name;
  double travelled_m = 0;
  double total_m = 0;
  bool paused = false;
  bool finished = false;
  std::optional<std::uint64_t> remaining_secs;
  bool speed_defaulted = false;
  std::optional<double> start_travelled_m;

  friend bool operator==(const RouteStatus&, const RouteStatus&) = default;
};

struct SteeringStatus {
  std::uint64_t seq = 0;
  double heading_deg = 0;
  double speed_mps = 0;
  double latitude = 0;
  double longitude = 0;
  double travelled_m = 0;
  std::uint64_t ttl_secs = 0;
  std::uint64_t expires_in_secs = 0;
  bool held = false;
  bool expired = false;
  std::optional<std::string> rejected;

  friend bool operator==(const SteeringStatus&, const SteeringStatus&) = default;
};

// What the agent publishes about one device: the file's own udid and
// publish_error, then its report, whose keys stand in the same object.
struct DeviceStatusFile {
  std::string udid;
  std::optional<std::string> publish_error;
  std::uint32_t version = 0;
  std::string agent_version;
  bool connected = false;
  std::optional<DeviceSummary> device;
  SessionReport session = SessionReport::Idle;
  Provenance provenance = Provenance::Unknown;
  std::string remediation;
  std::optional<std::string> error;
  Transport transport = Transport::Unknown;
  std::uint64_t updated_at = 0;  // seconds since 1970; 0 when not given
  bool pairing_repair_needed = false;
  std::optional<RouteStatus> route;
  std::optional<Motion> motion;
  std::optional<SteeringStatus> steering;

  friend bool operator==(const DeviceStatusFile&, const DeviceStatusFile&) = default;
};

// Decodes the whole text of a status file.
Decoded<DeviceStatusFile> decode_status(std::string_view text);

// The status of device `udid` in `dir`, or nothing when the file is missing,
// unreadable or invalid.
std::optional<DeviceStatusFile> read_status(const std::filesystem::path& dir, std::string_view udid);
// The status in the file at `path`, read as one of a poll's files and
// decoded into `status`, which holds the defaults. False when the file is
// missing, unreadable or invalid; `status` then holds no record.
bool read_status_file(const std::filesystem::path::string_type& path, PublishedFiles& files, DeviceStatusFile& status);

}  // namespace wv
