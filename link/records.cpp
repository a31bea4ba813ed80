// Byte layouts of the payload records: one field table per record, which both its decoder
// and its encoder read.
#include "link/records.h"

#include <algorithm>
#include <tuple>

#include "link/field_table.h"

namespace tq {
namespace {

// ---- Field tables ------------------------------------------------------------------------

// One field a line, in offset order, as the layouts are written down; the gaps are the
// bytes the program does not use. The rows of a ScheduleRecord follow from
// kScheduleRowsOffset, each laid out by the ScheduleEntry table.
// clang-format off
constexpr auto kIdentityRecordFields = std::tuple{
    Field{0, &IdentityRecord::format},
    Field{1, &IdentityRecord::unused1},
    Field{2, &IdentityRecord::name},
    Field{23, &IdentityRecord::unused23},
    Field{24, &IdentityRecord::serial_number},
    Field{26, &IdentityRecord::unused26},
};
static_assert(FieldsFit(kIdentityRecordFields, kIdentityRecordSize));

constexpr auto kDeviceTimeFields = std::tuple{
    Field{1, &DeviceTime::year},
    Field{3, &DeviceTime::month},
    Field{4, &DeviceTime::day},
    Field{5, &DeviceTime::hour},
    Field{6, &DeviceTime::minute},
    Field{7, &DeviceTime::second},
};
static_assert(FieldsFit(kDeviceTimeFields, kDeviceTimeSize));

constexpr auto kFirmwareVersionFields = std::tuple{
    Field{1, &FirmwareVersion::version},
};
static_assert(FieldsFit(kFirmwareVersionFields, kFirmwareVersionSize));

constexpr auto kSystemStatusFields = std::tuple{
    Field{1, &SystemStatus::sampler_state},
    Field{2, &SystemStatus::control_source},
    Field{3, &SystemStatus::error_flag},
    Field{4, &SystemStatus::supply_voltage},
    Field{8, &SystemStatus::board_temperature},
    Field{12, &SystemStatus::board_humidity},
    Field{16, &SystemStatus::flow_volume},
    Field{20, &SystemStatus::max_pressure},
    Field{24, &SystemStatus::clock},
    Field{28, &SystemStatus::next_event_time},
    Field{32, &SystemStatus::waypoint_index},
    Field{34, &SystemStatus::cartridge_id},
};
static_assert(FieldsFit(kSystemStatusFields, kSystemStatusSize));

constexpr auto kDiagnosticLogEntryFields = std::tuple{
    Field{1, &DiagnosticLogEntry::counter},
    Field{5, &DiagnosticLogEntry::function},
    Field{37, &DiagnosticLogEntry::line},
    Field{41, &DiagnosticLogEntry::task_id},
    Field{42, &DiagnosticLogEntry::severity},
    Field{43, &DiagnosticLogEntry::message},
};
static_assert(FieldsFit(kDiagnosticLogEntryFields, kDiagnosticLogEntrySize));

constexpr auto kTaskDetailsFields = std::tuple{
    Field{1, &TaskDetails::name},
    Field{34, &TaskDetails::stack_start},
    Field{38, &TaskDetails::stack_end},
    Field{42, &TaskDetails::stack_top},
    Field{46, &TaskDetails::state},
    Field{47, &TaskDetails::log_filters},
};
static_assert(FieldsFit(kTaskDetailsFields, kTaskDetailsSize));

constexpr auto kTaskLogFiltersFields = std::tuple{
    Field{1, &TaskLogFilters::filters},
};
static_assert(FieldsFit(kTaskLogFiltersFields, kTaskLogFiltersSize));

constexpr auto kMotorConfigFields = std::tuple{
    Field{0, &MotorConfig::unused0},
    Field{1, &MotorConfig::direction},
    Field{2, &MotorConfig::autostop_sensor},
    Field{3, &MotorConfig::second_autostop_sensor},
    Field{4, &MotorConfig::max_pressure},
    Field{5, &MotorConfig::overpressure_timeout},
    Field{7, &MotorConfig::engaged_hall},
    Field{9, &MotorConfig::disengaged_hall},
    Field{11, &MotorConfig::speed},
};
static_assert(FieldsFit(kMotorConfigFields, kMotorConfigSize));

constexpr auto kMotorRunRequestFields = std::tuple{
    Field{1, &MotorRunRequest::motor_id},
    Field{2, &MotorRunRequest::direction},
    Field{3, &MotorRunRequest::speed},
};
static_assert(FieldsFit(kMotorRunRequestFields, kMotorRunRequestSize));

constexpr auto kPumpRequestFields = std::tuple{
    Field{0, &PumpRequest::motor_id},
    Field{2, &PumpRequest::volume},
    Field{6, &PumpRequest::flow_timeout},
};
static_assert(FieldsFit(kPumpRequestFields, kPumpRequestSize));

constexpr auto kSensorSampleFields = std::tuple{
    Field{14, &SensorSample::pressure_a},
    Field{16, &SensorSample::pressure_b},
    Field{18, &SensorSample::hall},
};
static_assert(FieldsFit(kSensorSampleFields, kSensorSampleSize));

constexpr auto kFlowMeterConfigFields = std::tuple{
    Field{1, &FlowMeterConfig::pulses_per_litre},
};
static_assert(FieldsFit(kFlowMeterConfigFields, kFlowMeterConfigSize));

constexpr auto kPressureCalibrationFields = std::tuple{
    Field{0, &PressureCalibration::unused0},
    Field{1, &PressureCalibration::slope},
    Field{9, &PressureCalibration::offset},
    Field{17, &PressureCalibration::point_pressure},
    Field{37, &PressureCalibration::point_voltage},
    Field{57, &PressureCalibration::point_in_use},
};
static_assert(FieldsFit(kPressureCalibrationFields, kPressureCalibrationSize));

constexpr auto kRunRequestFields = std::tuple{
    Field{1, &RunRequest::run_mode},
    Field{2, &RunRequest::cartridge_count},
    Field{3, &RunRequest::volume_tenths},
    Field{4, &RunRequest::timeout_minutes},
    Field{5, &RunRequest::clean},
    Field{6, &RunRequest::start_time},
};
static_assert(FieldsFit(kRunRequestFields, kRunRequestSize));

constexpr auto kCartridgeRecordFields = std::tuple{
    Field{0, &CartridgeRecord::unused0},
    Field{2, &CartridgeRecord::cartridge_id},
    Field{4, &CartridgeRecord::unused4},
};
static_assert(FieldsFit(kCartridgeRecordFields, kCartridgeRecordSize));

constexpr auto kSampleLogEntryFields = std::tuple{
    Field{4, &SampleLogEntry::cartridge_id},
    Field{14, &SampleLogEntry::treatment},
    Field{15, &SampleLogEntry::stop_reason},
    Field{16, &SampleLogEntry::start_time},
    Field{20, &SampleLogEntry::duration},
    Field{24, &SampleLogEntry::volume},
    Field{28, &SampleLogEntry::max_pressure},
};
static_assert(FieldsFit(kSampleLogEntryFields, kSampleLogEntrySize));

constexpr auto kCleaningConfigFields = std::tuple{
    Field{2, &CleaningConfig::stabilisation_time},
    Field{4, &CleaningConfig::clean_through_cartridge},
    Field{5, &CleaningConfig::bleach_speed},
    Field{6, &CleaningConfig::bleach_time},
    Field{8, &CleaningConfig::dwell_time},
    Field{10, &CleaningConfig::flush_time},
};
static_assert(FieldsFit(kCleaningConfigFields, kCleaningConfigSize));

constexpr auto kScheduleEntryFields = std::tuple{
    Field{0, &ScheduleEntry::flags},
    Field{1, &ScheduleEntry::samples},
    Field{2, &ScheduleEntry::volume_tenths},
    Field{3, &ScheduleEntry::timeout_minutes},
    Field{4, &ScheduleEntry::offset_minutes},
};
static_assert(FieldsFit(kScheduleEntryFields, kScheduleEntrySize));

constexpr auto kScheduleRecordFields = std::tuple{
    Field{1, &ScheduleRecord::autostart},
    Field{4, &ScheduleRecord::start_time},
};
static_assert(FieldsFit(kScheduleRecordFields, kScheduleRowsOffset));
// clang-format on

}  // namespace

std::string FieldText(std::span<const char> field) {
  const auto end = std::find(field.begin(), field.end(), '\0');
  return std::string(field.begin(), end);
}

void SetFieldText(std::span<char> field, std::string_view text) {
  if (field.empty()) return;
  const std::size_t n = std::min(text.size(), field.size() - 1);
  std::fill(field.begin(), field.end(), '\0');
  std::copy_n(text.begin(), n, field.begin());
}

std::string_view NameOfCode(std::span<const CodeName> table, std::uint8_t code,
                            std::string_view fallback) {
  for (const CodeName& entry : table) {
    if (entry.code == code) return entry.name;
  }
  return fallback;
}

// ---- System records ----------------------------------------------------------------------

std::string sensor_name_of(const IdentityRecord& identity) {
  const std::string_view field(identity.name.data(), identity.name.size());
  return std::string(field.substr(0, field.find('\0')).substr(0, kSensorNameLimit));
}

void DecodeIdentityRecord(std::span<const std::uint8_t, kIdentityRecordSize> in,
                          IdentityRecord& out) {
  DecodeFields(kIdentityRecordFields, in, out);
}

void EncodeIdentityRecord(const IdentityRecord& in,
                          std::span<std::uint8_t, kIdentityRecordSize> out) {
  EncodeFields(kIdentityRecordFields, in, out);
}

void DecodeDeviceTime(std::span<const std::uint8_t, kDeviceTimeSize> in, DeviceTime& out) {
  DecodeFields(kDeviceTimeFields, in, out);
}

void EncodeDeviceTime(const DeviceTime& in, std::span<std::uint8_t, kDeviceTimeSize> out) {
  EncodeFields(kDeviceTimeFields, in, out);
}

void DecodeFirmwareVersion(std::span<const std::uint8_t, kFirmwareVersionSize> in,
                           FirmwareVersion& out) {
  DecodeFields(kFirmwareVersionFields, in, out);
}

void EncodeFirmwareVersion(const FirmwareVersion& in,
                           std::span<std::uint8_t, kFirmwareVersionSize> out) {
  EncodeFields(kFirmwareVersionFields, in, out);
}

void DecodeSystemStatus(std::span<const std::uint8_t, kSystemStatusSize> in, SystemStatus& out) {
  DecodeFields(kSystemStatusFields, in, out);
}

void EncodeSystemStatus(const SystemStatus& in, std::span<std::uint8_t, kSystemStatusSize> out) {
  EncodeFields(kSystemStatusFields, in, out);
}

void DecodeDiagnosticLogEntry(std::span<const std::uint8_t, kDiagnosticLogEntrySize> in,
                              DiagnosticLogEntry& out) {
  DecodeFields(kDiagnosticLogEntryFields, in, out);
}

void EncodeDiagnosticLogEntry(const DiagnosticLogEntry& in,
                              std::span<std::uint8_t, kDiagnosticLogEntrySize> out) {
  EncodeFields(kDiagnosticLogEntryFields, in, out);
}

void DecodeTaskDetails(std::span<const std::uint8_t, kTaskDetailsSize> in, TaskDetails& out) {
  DecodeFields(kTaskDetailsFields, in, out);
}

void EncodeTaskDetails(const TaskDetails& in, std::span<std::uint8_t, kTaskDetailsSize> out) {
  EncodeFields(kTaskDetailsFields, in, out);
}

void DecodeTaskLogFilters(std::span<const std::uint8_t, kTaskLogFiltersSize> in,
                          TaskLogFilters& out) {
  DecodeFields(kTaskLogFiltersFields, in, out);
}

void EncodeTaskLogFilters(const TaskLogFilters& in,
                          std::span<std::uint8_t, kTaskLogFiltersSize> out) {
  EncodeFields(kTaskLogFiltersFields, in, out);
}

// ---- Motors and sensors ------------------------------------------------------------------

void DecodeMotorConfig(std::span<const std::uint8_t, kMotorConfigSize> in, MotorConfig& out) {
  DecodeFields(kMotorConfigFields, in, out);
}

void EncodeMotorConfig(const MotorConfig& in, std::span<std::uint8_t, kMotorConfigSize> out) {
  EncodeFields(kMotorConfigFields, in, out);
}

void DecodeMotorRunRequest(std::span<const std::uint8_t, kMotorRunRequestSize> in,
                           MotorRunRequest& out) {
  DecodeFields(kMotorRunRequestFields, in, out);
}

void EncodeMotorRunRequest(const MotorRunRequest& in,
                           std::span<std::uint8_t, kMotorRunRequestSize> out) {
  EncodeFields(kMotorRunRequestFields, in, out);
}

void DecodePumpRequest(std::span<const std::uint8_t, kPumpRequestSize> in, PumpRequest& out) {
  DecodeFields(kPumpRequestFields, in, out);
}

void EncodePumpRequest(const PumpRequest& in, std::span<std::uint8_t, kPumpRequestSize> out) {
  EncodeFields(kPumpRequestFields, in, out);
}

void DecodeSensorSample(std::span<const std::uint8_t, kSensorSampleSize> in, SensorSample& out) {
  DecodeFields(kSensorSampleFields, in, out);
}

void EncodeSensorSample(const SensorSample& in, std::span<std::uint8_t, kSensorSampleSize> out) {
  EncodeFields(kSensorSampleFields, in, out);
}

// ---- Configuration blocks ----------------------------------------------------------------

void DecodeFlowMeterConfig(std::span<const std::uint8_t, kFlowMeterConfigSize> in,
                           FlowMeterConfig& out) {
  DecodeFields(kFlowMeterConfigFields, in, out);
}

void EncodeFlowMeterConfig(const FlowMeterConfig& in,
                           std::span<std::uint8_t, kFlowMeterConfigSize> out) {
  EncodeFields(kFlowMeterConfigFields, in, out);
}

void DecodePressureCalibration(std::span<const std::uint8_t, kPressureCalibrationSize> in,
                               PressureCalibration& out) {
  DecodeFields(kPressureCalibrationFields, in, out);
}

void EncodePressureCalibration(const PressureCalibration& in,
                               std::span<std::uint8_t, kPressureCalibrationSize> out) {
  EncodeFields(kPressureCalibrationFields, in, out);
}

// ---- Runs, cartridges and the sample log -------------------------------------------------

void DecodeRunRequest(std::span<const std::uint8_t, kRunRequestSize> in, RunRequest& out) {
  DecodeFields(kRunRequestFields, in, out);
}

void EncodeRunRequest(const RunRequest& in, std::span<std::uint8_t, kRunRequestSize> out) {
  EncodeFields(kRunRequestFields, in, out);
}

void DecodeCartridgeRecord(std::span<const std::uint8_t, kCartridgeRecordSize> in,
                           CartridgeRecord& out) {
  DecodeFields(kCartridgeRecordFields, in, out);
}

void EncodeCartridgeRecord(const CartridgeRecord& in,
                           std::span<std::uint8_t, kCartridgeRecordSize> out) {
  EncodeFields(kCartridgeRecordFields, in, out);
}

void DecodeSampleLogEntry(std::span<const std::uint8_t, kSampleLogEntrySize> in,
                          SampleLogEntry& out) {
  DecodeFields(kSampleLogEntryFields, in, out);
}

void EncodeSampleLogEntry(const SampleLogEntry& in,
                          std::span<std::uint8_t, kSampleLogEntrySize> out) {
  EncodeFields(kSampleLogEntryFields, in, out);
}

void DecodeCleaningConfig(std::span<const std::uint8_t, kCleaningConfigSize> in,
                          CleaningConfig& out) {
  DecodeFields(kCleaningConfigFields, in, out);
}

void EncodeCleaningConfig(const CleaningConfig& in,
                          std::span<std::uint8_t, kCleaningConfigSize> out) {
  EncodeFields(kCleaningConfigFields, in, out);
}

// ---- Schedule ----------------------------------------------------------------------------

void DecodeScheduleEntry(std::span<const std::uint8_t, kScheduleEntrySize> in, ScheduleEntry& out) {
  DecodeFields(kScheduleEntryFields, in, out);
}

void EncodeScheduleEntry(const ScheduleEntry& in, std::span<std::uint8_t, kScheduleEntrySize> out) {
  EncodeFields(kScheduleEntryFields, in, out);
}

void DecodeScheduleRecord(std::span<const std::uint8_t, kScheduleRecordSize> in,
                          ScheduleRecord& out) {
  DecodeFields(kScheduleRecordFields, in, out);
  for (std::size_t i = 0; i < kScheduleRows; ++i) {
    DecodeScheduleEntry(
        in.subspan(kScheduleRowsOffset + i * kScheduleEntrySize).first<kScheduleEntrySize>(),
        out.rows[i]);
  }
}

void EncodeScheduleRecord(const ScheduleRecord& in,
                          std::span<std::uint8_t, kScheduleRecordSize> out) {
  EncodeFields(kScheduleRecordFields, in, out);
  for (std::size_t i = 0; i < kScheduleRows; ++i) {
    EncodeScheduleEntry(
        in.rows[i],
        out.subspan(kScheduleRowsOffset + i * kScheduleEntrySize).first<kScheduleEntrySize>());
  }
}

}  // namespace tq
