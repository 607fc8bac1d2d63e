#pragma once
// devices/<udid>/status.json: what the agent publishes about one device.

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "datadir/decode_error.h"
#include "datadir/enum_text.h"
#include "datadir/json_file.h"

namespace wv {

// The word sets, each with the words the file writes for its values, in the
// enum's order (the build checks it). Where an unknown word is allowed it
// reads as the last value, so "unknown" stays last.
enum class SessionReport { Idle, Spoofing, Lost };
inline constexpr std::array kSessionWords{
    EnumText{SessionReport::Idle, "idle"},
    EnumText{SessionReport::Spoofing, "spoofing"},
    EnumText{SessionReport::Lost, "lost"},
};

enum class Transport { Usb, Wireless, Unknown };
inline constexpr std::array kTransportWords{
    EnumText{Transport::Usb, "usb"},
    EnumText{Transport::Wireless, "wireless"},
    EnumText{Transport::Unknown, "unknown"},
};

enum class Provenance { VpnSync, Manual, FromApp, Unknown };
inline constexpr std::array kProvenanceWords{
    EnumText{Provenance::VpnSync, "vpn-sync"},
    EnumText{Provenance::Manual, "manual"},
    EnumText{Provenance::FromApp, "from-app"},
    EnumText{Provenance::Unknown, "unknown"},
};

enum class Motion { Still, Route, Steering, Unknown };
inline constexpr std::array kMotionWords{
    EnumText{Motion::Still, "still"},
    EnumText{Motion::Route, "route"},
    EnumText{Motion::Steering, "steering"},
    EnumText{Motion::Unknown, "unknown"},
};

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

struct StatusReport {
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

  friend bool operator==(const StatusReport&, const StatusReport&) = default;
};

// The report's keys are written beside udid and publish_error, in one object.
struct DeviceStatusFile {
  std::string udid;
  std::optional<std::string> publish_error;
  StatusReport report;

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
bool read_status_file(const std::filesystem::path::string_type& path, PublishedFiles& files,
                      DeviceStatusFile& status);

}  // namespace wv
