// Payload records exchanged with the instrument: plain structs in host types, with their
// little-endian byte layouts written and read at explicit offsets. The program encodes its
// requests and decodes the instrument's responses with these functions; the simulator
// uses the same ones the other way round.
//
// Records that the program reads, edits and writes back (IdentityRecord, MotorConfig,
// PressureCalibration, CartridgeRecord) keep the bytes it does not interpret in `unused*`
// members named after their offset, so a write sends them back exactly as they were read.
// Other unnamed bytes are dropped on decode and encoded as 0. Each record's offsets are
// written once, in its field table in records.cpp.
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "link/frame.h"

namespace tq {

// ---- Byte access at explicit offsets (little-endian) -------------------------------------

inline std::uint16_t GetU16(std::span<const std::uint8_t> b, std::size_t at) {
  return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}
inline std::uint32_t GetU32(std::span<const std::uint8_t> b, std::size_t at) {
  return static_cast<std::uint32_t>(b[at]) | (static_cast<std::uint32_t>(b[at + 1]) << 8) |
         (static_cast<std::uint32_t>(b[at + 2]) << 16) |
         (static_cast<std::uint32_t>(b[at + 3]) << 24);
}
inline std::uint64_t GetU64(std::span<const std::uint8_t> b, std::size_t at) {
  return static_cast<std::uint64_t>(GetU32(b, at)) |
         (static_cast<std::uint64_t>(GetU32(b, at + 4)) << 32);
}
inline std::int32_t GetI32(std::span<const std::uint8_t> b, std::size_t at) {
  return std::bit_cast<std::int32_t>(GetU32(b, at));
}
inline float GetF32(std::span<const std::uint8_t> b, std::size_t at) {
  return std::bit_cast<float>(GetU32(b, at));
}
inline double GetF64(std::span<const std::uint8_t> b, std::size_t at) {
  return std::bit_cast<double>(GetU64(b, at));
}

inline void PutU16(std::span<std::uint8_t> b, std::size_t at, std::uint16_t v) {
  b[at] = static_cast<std::uint8_t>(v & 0xFF);
  b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
inline void PutU32(std::span<std::uint8_t> b, std::size_t at, std::uint32_t v) {
  for (std::size_t i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>((v >> (8 * i)) & 0xFF);
}
inline void PutU64(std::span<std::uint8_t> b, std::size_t at, std::uint64_t v) {
  for (std::size_t i = 0; i < 8; ++i) b[at + i] = static_cast<std::uint8_t>((v >> (8 * i)) & 0xFF);
}
inline void PutI32(std::span<std::uint8_t> b, std::size_t at, std::int32_t v) {
  PutU32(b, at, std::bit_cast<std::uint32_t>(v));
}
inline void PutF32(std::span<std::uint8_t> b, std::size_t at, float v) {
  PutU32(b, at, std::bit_cast<std::uint32_t>(v));
}
inline void PutF64(std::span<std::uint8_t> b, std::size_t at, double v) {
  PutU64(b, at, std::bit_cast<std::uint64_t>(v));
}

// The payload of a Frame as a fixed-size span; N is checked against the payload capacity
// at compile time.
template <std::size_t N>
std::span<const std::uint8_t, N> PayloadOf(const Frame& frame) {
  static_assert(N <= kPayloadCapacity);
  return std::span<const std::uint8_t, kFrameSize>(frame).template subspan<kOffPayload, N>();
}
template <std::size_t N>
std::span<std::uint8_t, N> PayloadOf(Frame& frame) {
  static_assert(N <= kPayloadCapacity);
  return std::span<std::uint8_t, kFrameSize>(frame).template subspan<kOffPayload, N>();
}

// A text field as a string: up to its first zero byte, or the whole field when it has none.
// Never reads past the field.
std::string FieldText(std::span<const char> field);
// Writes `text` into a text field: at most size - 1 characters, the rest zero, so the field
// always ends with a terminating zero.
void SetFieldText(std::span<char> field, std::string_view text);

// ---- System records ----------------------------------------------------------------------

inline constexpr std::size_t kIdentityRecordSize = 29;
inline constexpr std::size_t kDeviceNameField = 21;  // 20 characters and a zero
inline constexpr std::uint8_t kIdentityFormat = 2;   // the only format SetIdentity sends

struct IdentityRecord {
  std::uint8_t format = 0;
  std::uint8_t unused1 = 0;
  std::array<char, kDeviceNameField> name{};  // zero-terminated in requests
  std::uint8_t unused23 = 0;
  std::uint16_t serial_number = 0;
  std::array<std::uint8_t, 3> unused26{};

  bool operator==(const IdentityRecord&) const = default;
};
// The sensor name as text: up to its first NUL, at most 20 characters.
inline constexpr std::size_t kSensorNameLimit = 20;
[[nodiscard]] std::string sensor_name_of(const IdentityRecord& identity);
void DecodeIdentityRecord(std::span<const std::uint8_t, kIdentityRecordSize> in,
                          IdentityRecord& out);
void EncodeIdentityRecord(const IdentityRecord& in,
                          std::span<std::uint8_t, kIdentityRecordSize> out);

// GetDeviceType's response: five bytes, the code at offsets 2-3.
inline constexpr std::size_t kDeviceTypeResponseSize = 5;
inline constexpr std::size_t kDeviceTypeCodeOffset = 2;

inline constexpr std::size_t kDeviceTimeSize = 8;
struct DeviceTime {
  std::uint16_t year = 0;
  std::uint8_t month = 0;  // 1-12
  std::uint8_t day = 0;    // 1-31
  std::uint8_t hour = 0;
  std::uint8_t minute = 0;
  std::uint8_t second = 0;

  bool operator==(const DeviceTime&) const = default;
};
void DecodeDeviceTime(std::span<const std::uint8_t, kDeviceTimeSize> in, DeviceTime& out);
void EncodeDeviceTime(const DeviceTime& in, std::span<std::uint8_t, kDeviceTimeSize> out);

inline constexpr std::size_t kFirmwareVersionSize = 26;
struct FirmwareVersion {
  std::array<char, 25> version{};  // zero-terminated text

  bool operator==(const FirmwareVersion&) const = default;
};
void DecodeFirmwareVersion(std::span<const std::uint8_t, kFirmwareVersionSize> in,
                           FirmwareVersion& out);
void EncodeFirmwareVersion(const FirmwareVersion& in,
                           std::span<std::uint8_t, kFirmwareVersionSize> out);

// Sampler states reported in SystemStatus::sampler_state. Other values may arrive and are
// kept as they are.
enum class SamplerState : std::uint8_t {
  kUnpowered = 1,
  kIdle = 2,
  kLoadingCartridge = 3,
  kEngagingSample = 4,
  kDisengagingSample = 5,
  kEngagingStabilizer = 6,
  kDisengagingStabilizer = 7,
  kPumpingSample = 8,
  kPumpingStabilizer = 9,
  kCleaning = 10,
};
inline constexpr std::uint8_t kControlSourceSchedule = 0xFF;  // any other value: manual

inline constexpr std::size_t kSystemStatusSize = 36;
struct SystemStatus {
  std::uint8_t sampler_state = 0;     // see SamplerState
  std::uint8_t control_source = 0;    // kControlSourceSchedule or manual
  std::uint8_t error_flag = 0;        // non-zero: previous cartridge ended with errors
  float supply_voltage = 0;           // volts
  float board_temperature = 0;        // degrees Celsius
  float board_humidity = 0;           // percent
  float flow_volume = 0;              // litres of the current sample
  float max_pressure = 0;             // bar, of the current sample
  std::uint32_t clock = 0;            // instrument clock, seconds since 1970
  std::uint32_t next_event_time = 0;  // seconds since 1970; 0 = none
  std::uint8_t waypoint_index = 0;
  std::uint16_t cartridge_id = 0;

  bool operator==(const SystemStatus&) const = default;
};
void DecodeSystemStatus(std::span<const std::uint8_t, kSystemStatusSize> in, SystemStatus& out);
void EncodeSystemStatus(const SystemStatus& in, std::span<std::uint8_t, kSystemStatusSize> out);

// Diagnostic log severities.
inline constexpr std::uint8_t kSeverityError = 1;
inline constexpr std::uint8_t kSeverityInformation = 2;
inline constexpr std::uint8_t kSeverityDebug = 4;

inline constexpr std::size_t kDiagnosticLogEntrySize = 114;
struct DiagnosticLogEntry {
  std::int32_t counter = 0;
  std::array<char, 32> function{};  // zero-terminated text
  std::int32_t line = 0;
  std::uint8_t task_id = 0;
  std::uint8_t severity = 0;       // kSeverity*
  std::array<char, 71> message{};  // zero-terminated text

  bool operator==(const DiagnosticLogEntry&) const = default;
};
void DecodeDiagnosticLogEntry(std::span<const std::uint8_t, kDiagnosticLogEntrySize> in,
                              DiagnosticLogEntry& out);
void EncodeDiagnosticLogEntry(const DiagnosticLogEntry& in,
                              std::span<std::uint8_t, kDiagnosticLogEntrySize> out);

// Log filter bits of a task.
inline constexpr std::uint8_t kLogFilterError = 0x01;
inline constexpr std::uint8_t kLogFilterInformation = 0x02;
inline constexpr std::uint8_t kLogFilterDebug = 0x04;

inline constexpr std::size_t kTaskDetailsSize = 48;
struct TaskDetails {
  std::array<char, 33> name{};  // zero-terminated text
  std::uint32_t stack_start = 0;
  std::uint32_t stack_end = 0;
  std::uint32_t stack_top = 0;
  std::uint8_t state = 0;        // non-zero active
  std::uint8_t log_filters = 0;  // kLogFilter* bits

  bool operator==(const TaskDetails&) const = default;
};
void DecodeTaskDetails(std::span<const std::uint8_t, kTaskDetailsSize> in, TaskDetails& out);
void EncodeTaskDetails(const TaskDetails& in, std::span<std::uint8_t, kTaskDetailsSize> out);

inline constexpr std::size_t kTaskLogFiltersSize = 26;
inline constexpr std::size_t kMaxTaskFilters = kTaskLogFiltersSize - 1;  // tasks 0..24
struct TaskLogFilters {
  std::array<std::uint8_t, kMaxTaskFilters> filters{};  // filters[i]: kLogFilter* bits of task i

  bool operator==(const TaskLogFilters&) const = default;
};
void DecodeTaskLogFilters(std::span<const std::uint8_t, kTaskLogFiltersSize> in,
                          TaskLogFilters& out);
void EncodeTaskLogFilters(const TaskLogFilters& in,
                          std::span<std::uint8_t, kTaskLogFiltersSize> out);

// ---- Motors and sensors ------------------------------------------------------------------

inline constexpr std::uint8_t kMotorCartridgeLoad = 1;
inline constexpr std::uint8_t kMotorSampleEngage = 2;
inline constexpr std::uint8_t kMotorStabilizerEngage = 3;
inline constexpr std::uint8_t kMotorSamplePump = 4;
inline constexpr std::uint8_t kMotorStabilizerPump = 5;

inline constexpr std::uint8_t kDirectionForwards = 0;
inline constexpr std::uint8_t kDirectionReverse = 1;

inline constexpr std::uint8_t kAutostopNone = 0;
inline constexpr std::uint8_t kAutostopHall1 = 1;
inline constexpr std::uint8_t kAutostopHall2 = 2;
inline constexpr std::uint8_t kAutostopHall3 = 3;
inline constexpr std::uint8_t kAutostopFlow = 5;
inline constexpr std::uint8_t kAutostopPressure = 6;  // second selector only

inline constexpr std::size_t kMotorConfigSize = 13;
struct MotorConfig {
  std::uint8_t unused0 = 0;                 // sent back as read
  std::uint8_t direction = 0;               // kDirection*
  std::uint8_t autostop_sensor = 0;         // first selector
  std::uint8_t second_autostop_sensor = 0;  // kAutostopNone or kAutostopPressure
  std::uint8_t max_pressure = 0;            // bar, 0-10
  std::uint16_t overpressure_timeout = 0;   // seconds, 0-3600
  std::uint16_t engaged_hall = 0;           // 0-4095
  std::uint16_t disengaged_hall = 0;        // 0-4095
  std::uint16_t speed = 0;                  // percent of maximum, 0-100

  bool operator==(const MotorConfig&) const = default;
};
void DecodeMotorConfig(std::span<const std::uint8_t, kMotorConfigSize> in, MotorConfig& out);
void EncodeMotorConfig(const MotorConfig& in, std::span<std::uint8_t, kMotorConfigSize> out);

inline constexpr std::size_t kMotorRunRequestSize = 24;
struct MotorRunRequest {
  std::uint8_t motor_id = 0;
  std::uint8_t direction = 0;  // kDirection*
  std::uint16_t speed = 0;     // percent of maximum, 0-100

  bool operator==(const MotorRunRequest&) const = default;
};
void DecodeMotorRunRequest(std::span<const std::uint8_t, kMotorRunRequestSize> in,
                           MotorRunRequest& out);
void EncodeMotorRunRequest(const MotorRunRequest& in,
                           std::span<std::uint8_t, kMotorRunRequestSize> out);

inline constexpr std::size_t kPumpRequestSize = 8;
struct PumpRequest {
  std::uint8_t motor_id = 0;       // 4 or 5
  float volume = 0;                // litres
  std::uint16_t flow_timeout = 0;  // seconds

  bool operator==(const PumpRequest&) const = default;
};
void DecodePumpRequest(std::span<const std::uint8_t, kPumpRequestSize> in, PumpRequest& out);
void EncodePumpRequest(const PumpRequest& in, std::span<std::uint8_t, kPumpRequestSize> out);

inline constexpr std::size_t kSensorSampleSize = 30;
struct SensorSample {
  std::uint16_t pressure_a = 0;         // converter counts
  std::uint16_t pressure_b = 0;         // converter counts
  std::array<std::uint16_t, 3> hall{};  // Hall sensors 1, 2, 3

  bool operator==(const SensorSample&) const = default;
};
void DecodeSensorSample(std::span<const std::uint8_t, kSensorSampleSize> in, SensorSample& out);
void EncodeSensorSample(const SensorSample& in, std::span<std::uint8_t, kSensorSampleSize> out);

// ---- Configuration blocks ----------------------------------------------------------------

inline constexpr std::uint8_t kBlockFlowMeter = 5;
inline constexpr std::uint8_t kBlockPressureCalibration = 6;

inline constexpr std::size_t kFlowMeterConfigSize = 5;
struct FlowMeterConfig {
  std::uint32_t pulses_per_litre = 0;

  bool operator==(const FlowMeterConfig&) const = default;
};
void DecodeFlowMeterConfig(std::span<const std::uint8_t, kFlowMeterConfigSize> in,
                           FlowMeterConfig& out);
void EncodeFlowMeterConfig(const FlowMeterConfig& in,
                           std::span<std::uint8_t, kFlowMeterConfigSize> out);

inline constexpr std::size_t kCalibrationPoints = 5;
inline constexpr std::size_t kPressureCalibrationSize = 62;
struct PressureCalibration {
  std::uint8_t unused0 = 0;                                     // sent back as read
  double slope = 0;                                             // bar per volt
  double offset = 0;                                            // bar
  std::array<float, kCalibrationPoints> point_pressure{};       // bar
  std::array<float, kCalibrationPoints> point_voltage{};        // volts
  std::array<std::uint8_t, kCalibrationPoints> point_in_use{};  // 1 yes, 0 no

  bool operator==(const PressureCalibration&) const = default;
};
void DecodePressureCalibration(std::span<const std::uint8_t, kPressureCalibrationSize> in,
                               PressureCalibration& out);
void EncodePressureCalibration(const PressureCalibration& in,
                               std::span<std::uint8_t, kPressureCalibrationSize> out);

// ---- Runs, cartridges and the sample log -------------------------------------------------

inline constexpr std::uint8_t kRunModeLoadUnload = 0;
inline constexpr std::uint8_t kRunModeSample = 1;
inline constexpr std::uint8_t kRunModePrime = 2;
inline constexpr std::uint8_t kRunModeSchedule = 255;  // never sent: StartSchedule instead

inline constexpr std::size_t kRunRequestSize = 10;
struct RunRequest {
  std::uint8_t run_mode = 0;  // kRunModeLoadUnload/Sample/Prime
  std::uint8_t cartridge_count = 0;
  std::uint8_t volume_tenths = 0;  // tenths of a litre
  std::uint8_t timeout_minutes = 0;
  std::uint8_t clean = 0;        // 1 yes, 0 no
  std::uint32_t start_time = 0;  // computer's clock, seconds since 1970 UTC

  bool operator==(const RunRequest&) const = default;
};
void DecodeRunRequest(std::span<const std::uint8_t, kRunRequestSize> in, RunRequest& out);
void EncodeRunRequest(const RunRequest& in, std::span<std::uint8_t, kRunRequestSize> out);

inline constexpr std::size_t kCartridgeRecordSize = 17;
struct CartridgeRecord {
  std::array<std::uint8_t, 2> unused0{};   // sent back as read
  std::uint16_t cartridge_id = 0;          // the cartridge in the sample slot
  std::array<std::uint8_t, 13> unused4{};  // sent back as read

  bool operator==(const CartridgeRecord&) const = default;
};
void DecodeCartridgeRecord(std::span<const std::uint8_t, kCartridgeRecordSize> in,
                           CartridgeRecord& out);
void EncodeCartridgeRecord(const CartridgeRecord& in,
                           std::span<std::uint8_t, kCartridgeRecordSize> out);

inline constexpr std::size_t kSampleLogEntrySize = 34;
struct SampleLogEntry {
  std::uint16_t cartridge_id = 0;
  std::uint8_t treatment = 0;    // see TreatmentName
  std::uint8_t stop_reason = 0;  // see StopReasonName
  std::uint32_t start_time = 0;  // seconds since 1970
  std::uint32_t duration = 0;    // seconds
  float volume = 0;              // litres pumped
  float max_pressure = 0;        // bar

  bool operator==(const SampleLogEntry&) const = default;
};
void DecodeSampleLogEntry(std::span<const std::uint8_t, kSampleLogEntrySize> in,
                          SampleLogEntry& out);
void EncodeSampleLogEntry(const SampleLogEntry& in,
                          std::span<std::uint8_t, kSampleLogEntrySize> out);

inline constexpr std::size_t kCleaningConfigSize = 12;
struct CleaningConfig {
  std::uint16_t stabilisation_time = 0;      // seconds of stabiliser flow
  std::uint8_t clean_through_cartridge = 0;  // 1 yes, 0 no
  std::uint8_t bleach_speed = 0;             // percent of maximum, 0-100
  std::uint16_t bleach_time = 0;             // seconds
  std::uint16_t dwell_time = 0;              // seconds
  std::uint16_t flush_time = 0;              // seconds

  bool operator==(const CleaningConfig&) const = default;
};
void DecodeCleaningConfig(std::span<const std::uint8_t, kCleaningConfigSize> in,
                          CleaningConfig& out);
void EncodeCleaningConfig(const CleaningConfig& in,
                          std::span<std::uint8_t, kCleaningConfigSize> out);

// ---- Schedule ----------------------------------------------------------------------------

inline constexpr std::uint8_t kScheduleRowInUse = 0x01;
inline constexpr std::uint8_t kScheduleRowClean = 0x02;

inline constexpr std::size_t kScheduleEntrySize = 6;
struct ScheduleEntry {
  std::uint8_t flags = 0;  // kScheduleRowInUse | kScheduleRowClean
  std::uint8_t samples = 0;
  std::uint8_t volume_tenths = 0;  // tenths of a litre
  std::uint8_t timeout_minutes = 0;
  std::uint16_t offset_minutes = 0;  // start offset from the schedule start

  bool operator==(const ScheduleEntry&) const = default;
};
void DecodeScheduleEntry(std::span<const std::uint8_t, kScheduleEntrySize> in, ScheduleEntry& out);
void EncodeScheduleEntry(const ScheduleEntry& in, std::span<std::uint8_t, kScheduleEntrySize> out);

inline constexpr std::size_t kScheduleRows = 15;
inline constexpr std::size_t kScheduleRowsOffset = 8;
inline constexpr std::size_t kScheduleRecordSize = 98;
static_assert(kScheduleRowsOffset + kScheduleRows * kScheduleEntrySize == kScheduleRecordSize);
struct ScheduleRecord {
  std::uint8_t autostart = 0;                       // 1 yes, 0 no
  std::uint32_t start_time = 0;                     // seconds since 1970; 0 = next start
  std::array<ScheduleEntry, kScheduleRows> rows{};  // 6 bytes each

  bool operator==(const ScheduleRecord&) const = default;
};
void DecodeScheduleRecord(std::span<const std::uint8_t, kScheduleRecordSize> in,
                          ScheduleRecord& out);
void EncodeScheduleRecord(const ScheduleRecord& in,
                          std::span<std::uint8_t, kScheduleRecordSize> out);

// ---- Names the program shows for codes ---------------------------------------------------

struct CodeName {
  std::uint8_t code;
  std::string_view name;
};

inline constexpr std::array<CodeName, 5> kMotorNames{{{1, "Cartridge Load"},
                                                      {2, "Sample Engage"},
                                                      {3, "Stabilizer Engage"},
                                                      {4, "Sample Pump"},
                                                      {5, "Stabilizer Pump"}}};
inline constexpr std::array<CodeName, 2> kDirectionNames{{{0, "Forwards"}, {1, "Reverse"}}};
inline constexpr std::array<CodeName, 5> kAutostopSensorNames{
    {{0, "None"}, {1, "Hall1"}, {2, "Hall2"}, {3, "Hall3"}, {5, "Flow"}}};
inline constexpr std::array<CodeName, 2> kSecondAutostopSensorNames{{{0, "None"}, {6, "Pressure"}}};
inline constexpr std::array<CodeName, 4> kRunModeNames{
    {{0, "Load/Unload"}, {1, "Sample"}, {2, "Prime"}, {255, "Schedule"}}};
inline constexpr std::array<CodeName, 7> kTreatmentNames{{{0, "unused"},
                                                          {1, "incomplete sample"},
                                                          {2, "unstabilized full sample"},
                                                          {3, "stabilized full sample"},
                                                          {4, "bleached"},
                                                          {5, "primed"},
                                                          {6, "stabilized incomplete sample"}}};
inline constexpr std::array<CodeName, 6> kStopReasonNames{{{1, "cancelled"},
                                                           {2, "hall sensor"},
                                                           {4, "over-pressure"},
                                                           {5, "timeout"},
                                                           {6, "complete"},
                                                           {7, "didn't start"}}};

// The name of `code` in `table`, or `fallback` when the table has no such code.
std::string_view NameOfCode(std::span<const CodeName> table, std::uint8_t code,
                            std::string_view fallback = {});
inline std::string_view TreatmentName(std::uint8_t code) {
  return NameOfCode(kTreatmentNames, code, "unknown");
}
inline std::string_view StopReasonName(std::uint8_t code) {
  return NameOfCode(kStopReasonNames, code, "none");
}

}  // namespace tq
