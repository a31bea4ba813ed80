// Byte layouts of the payload records.
#include "link/records.h"

#include <algorithm>

namespace tq {
namespace {

// Text fields are copied whole, byte for byte, so a field without a terminating zero is
// still bounded by its own size.
void GetChars(std::span<const std::uint8_t> b, std::size_t at, std::span<char> field) {
  for (std::size_t i = 0; i < field.size(); ++i) field[i] = static_cast<char>(b[at + i]);
}
void PutChars(std::span<std::uint8_t> b, std::size_t at, std::span<const char> field) {
  for (std::size_t i = 0; i < field.size(); ++i) b[at + i] = static_cast<std::uint8_t>(field[i]);
}

template <std::size_t N>
void GetBytes(std::span<const std::uint8_t> b, std::size_t at, std::array<std::uint8_t, N>& out) {
  std::copy_n(b.begin() + static_cast<std::ptrdiff_t>(at), N, out.begin());
}
template <std::size_t N>
void PutBytes(std::span<std::uint8_t> b, std::size_t at, const std::array<std::uint8_t, N>& in) {
  std::copy_n(in.begin(), N, b.begin() + static_cast<std::ptrdiff_t>(at));
}

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
  out.format = in[0];
  out.unused1 = in[1];
  GetChars(in, 2, out.name);
  out.unused23 = in[23];
  out.serial_number = GetU16(in, 24);
  GetBytes(in, 26, out.unused26);
}

void EncodeIdentityRecord(const IdentityRecord& in,
                          std::span<std::uint8_t, kIdentityRecordSize> out) {
  out[0] = in.format;
  out[1] = in.unused1;
  PutChars(out, 2, in.name);
  out[23] = in.unused23;
  PutU16(out, 24, in.serial_number);
  PutBytes(out, 26, in.unused26);
}

void DecodeDeviceTime(std::span<const std::uint8_t, kDeviceTimeSize> in, DeviceTime& out) {
  out.year = GetU16(in, 1);
  out.month = in[3];
  out.day = in[4];
  out.hour = in[5];
  out.minute = in[6];
  out.second = in[7];
}

void EncodeDeviceTime(const DeviceTime& in, std::span<std::uint8_t, kDeviceTimeSize> out) {
  out[0] = 0;
  PutU16(out, 1, in.year);
  out[3] = in.month;
  out[4] = in.day;
  out[5] = in.hour;
  out[6] = in.minute;
  out[7] = in.second;
}

void DecodeFirmwareVersion(std::span<const std::uint8_t, kFirmwareVersionSize> in,
                           FirmwareVersion& out) {
  GetChars(in, 1, out.version);
}

void EncodeFirmwareVersion(const FirmwareVersion& in,
                           std::span<std::uint8_t, kFirmwareVersionSize> out) {
  out[0] = 0;
  PutChars(out, 1, in.version);
}

void DecodeSystemStatus(std::span<const std::uint8_t, kSystemStatusSize> in, SystemStatus& out) {
  out.sampler_state = in[1];
  out.control_source = in[2];
  out.error_flag = in[3];
  out.supply_voltage = GetF32(in, 4);
  out.board_temperature = GetF32(in, 8);
  out.board_humidity = GetF32(in, 12);
  out.flow_volume = GetF32(in, 16);
  out.max_pressure = GetF32(in, 20);
  out.clock = GetU32(in, 24);
  out.next_event_time = GetU32(in, 28);
  out.waypoint_index = in[32];
  out.cartridge_id = GetU16(in, 34);
}

void EncodeSystemStatus(const SystemStatus& in, std::span<std::uint8_t, kSystemStatusSize> out) {
  std::fill(out.begin(), out.end(), std::uint8_t{0});
  out[1] = in.sampler_state;
  out[2] = in.control_source;
  out[3] = in.error_flag;
  PutF32(out, 4, in.supply_voltage);
  PutF32(out, 8, in.board_temperature);
  PutF32(out, 12, in.board_humidity);
  PutF32(out, 16, in.flow_volume);
  PutF32(out, 20, in.max_pressure);
  PutU32(out, 24, in.clock);
  PutU32(out, 28, in.next_event_time);
  out[32] = in.waypoint_index;
  PutU16(out, 34, in.cartridge_id);
}

void DecodeDiagnosticLogEntry(std::span<const std::uint8_t, kDiagnosticLogEntrySize> in,
                              DiagnosticLogEntry& out) {
  out.counter = GetI32(in, 1);
  GetChars(in, 5, out.function);
  out.line = GetI32(in, 37);
  out.task_id = in[41];
  out.severity = in[42];
  GetChars(in, 43, out.message);
}

void EncodeDiagnosticLogEntry(const DiagnosticLogEntry& in,
                              std::span<std::uint8_t, kDiagnosticLogEntrySize> out) {
  out[0] = 0;
  PutI32(out, 1, in.counter);
  PutChars(out, 5, in.function);
  PutI32(out, 37, in.line);
  out[41] = in.task_id;
  out[42] = in.severity;
  PutChars(out, 43, in.message);
}

void DecodeTaskDetails(std::span<const std::uint8_t, kTaskDetailsSize> in, TaskDetails& out) {
  GetChars(in, 1, out.name);
  out.stack_start = GetU32(in, 34);
  out.stack_end = GetU32(in, 38);
  out.stack_top = GetU32(in, 42);
  out.state = in[46];
  out.log_filters = in[47];
}

void EncodeTaskDetails(const TaskDetails& in, std::span<std::uint8_t, kTaskDetailsSize> out) {
  out[0] = 0;
  PutChars(out, 1, in.name);
  PutU32(out, 34, in.stack_start);
  PutU32(out, 38, in.stack_end);
  PutU32(out, 42, in.stack_top);
  out[46] = in.state;
  out[47] = in.log_filters;
}

void DecodeTaskLogFilters(std::span<const std::uint8_t, kTaskLogFiltersSize> in,
                          TaskLogFilters& out) {
  GetBytes(in, 1, out.filters);
}

void EncodeTaskLogFilters(const TaskLogFilters& in,
                          std::span<std::uint8_t, kTaskLogFiltersSize> out) {
  out[0] = 0;
  PutBytes(out, 1, in.filters);
}

// ---- Motors and sensors ------------------------------------------------------------------

void DecodeMotorConfig(std::span<const std::uint8_t, kMotorConfigSize> in, MotorConfig& out) {
  out.unused0 = in[0];
  out.direction = in[1];
  out.autostop_sensor = in[2];
  out.second_autostop_sensor = in[3];
  out.max_pressure = in[4];
  out.overpressure_timeout = GetU16(in, 5);
  out.engaged_hall = GetU16(in, 7);
  out.disengaged_hall = GetU16(in, 9);
  out.speed = GetU16(in, 11);
}

void EncodeMotorConfig(const MotorConfig& in, std::span<std::uint8_t, kMotorConfigSize> out) {
  out[0] = in.unused0;
  out[1] = in.direction;
  out[2] = in.autostop_sensor;
  out[3] = in.second_autostop_sensor;
  out[4] = in.max_pressure;
  PutU16(out, 5, in.overpressure_timeout);
  PutU16(out, 7, in.engaged_hall);
  PutU16(out, 9, in.disengaged_hall);
  PutU16(out, 11, in.speed);
}

void DecodeMotorRunRequest(std::span<const std::uint8_t, kMotorRunRequestSize> in,
                           MotorRunRequest& out) {
  out.motor_id = in[1];
  out.direction = in[2];
  out.speed = GetU16(in, 3);
}

void EncodeMotorRunRequest(const MotorRunRequest& in,
                           std::span<std::uint8_t, kMotorRunRequestSize> out) {
  std::fill(out.begin(), out.end(), std::uint8_t{0});
  out[1] = in.motor_id;
  out[2] = in.direction;
  PutU16(out, 3, in.speed);
}

void DecodePumpRequest(std::span<const std::uint8_t, kPumpRequestSize> in, PumpRequest& out) {
  out.motor_id = in[0];
  out.volume = GetF32(in, 2);
  out.flow_timeout = GetU16(in, 6);
}

void EncodePumpRequest(const PumpRequest& in, std::span<std::uint8_t, kPumpRequestSize> out) {
  out[0] = in.motor_id;
  out[1] = 0;
  PutF32(out, 2, in.volume);
  PutU16(out, 6, in.flow_timeout);
}

void DecodeSensorSample(std::span<const std::uint8_t, kSensorSampleSize> in, SensorSample& out) {
  out.pressure_a = GetU16(in, 14);
  out.pressure_b = GetU16(in, 16);
  for (std::size_t i = 0; i < out.hall.size(); ++i) out.hall[i] = GetU16(in, 18 + 2 * i);
}

void EncodeSensorSample(const SensorSample& in, std::span<std::uint8_t, kSensorSampleSize> out) {
  std::fill(out.begin(), out.end(), std::uint8_t{0});
  PutU16(out, 14, in.pressure_a);
  PutU16(out, 16, in.pressure_b);
  for (std::size_t i = 0; i < in.hall.size(); ++i) PutU16(out, 18 + 2 * i, in.hall[i]);
}

// ---- Configuration blocks ----------------------------------------------------------------

void DecodeFlowMeterConfig(std::span<const std::uint8_t, kFlowMeterConfigSize> in,
                           FlowMeterConfig& out) {
  out.pulses_per_litre = GetU32(in, 1);
}

void EncodeFlowMeterConfig(const FlowMeterConfig& in,
                           std::span<std::uint8_t, kFlowMeterConfigSize> out) {
  out[0] = 0;
  PutU32(out, 1, in.pulses_per_litre);
}

void DecodePressureCalibration(std::span<const std::uint8_t, kPressureCalibrationSize> in,
                               PressureCalibration& out) {
  out.unused0 = in[0];
  out.slope = GetF64(in, 1);
  out.offset = GetF64(in, 9);
  for (std::size_t i = 0; i < kCalibrationPoints; ++i) {
    out.point_pressure[i] = GetF32(in, 17 + 4 * i);
    out.point_voltage[i] = GetF32(in, 37 + 4 * i);
    out.point_in_use[i] = in[57 + i];
  }
}

void EncodePressureCalibration(const PressureCalibration& in,
                               std::span<std::uint8_t, kPressureCalibrationSize> out) {
  out[0] = in.unused0;
  PutF64(out, 1, in.slope);
  PutF64(out, 9, in.offset);
  for (std::size_t i = 0; i < kCalibrationPoints; ++i) {
    PutF32(out, 17 + 4 * i, in.point_pressure[i]);
    PutF32(out, 37 + 4 * i, in.point_voltage[i]);
    out[57 + i] = in.point_in_use[i];
  }
}

// ---- Runs, cartridges and the sample log -------------------------------------------------

void DecodeRunRequest(std::span<const std::uint8_t, kRunRequestSize> in, RunRequest& out) {
  out.run_mode = in[1];
  out.cartridge_count = in[2];
  out.volume_tenths = in[3];
  out.timeout_minutes = in[4];
  out.clean = in[5];
  out.start_time = GetU32(in, 6);
}

void EncodeRunRequest(const RunRequest& in, std::span<std::uint8_t, kRunRequestSize> out) {
  out[0] = 0;
  out[1] = in.run_mode;
  out[2] = in.cartridge_count;
  out[3] = in.volume_tenths;
  out[4] = in.timeout_minutes;
  out[5] = in.clean;
  PutU32(out, 6, in.start_time);
}

void DecodeCartridgeRecord(std::span<const std::uint8_t, kCartridgeRecordSize> in,
                           CartridgeRecord& out) {
  GetBytes(in, 0, out.unused0);
  out.cartridge_id = GetU16(in, 2);
  GetBytes(in, 4, out.unused4);
}

void EncodeCartridgeRecord(const CartridgeRecord& in,
                           std::span<std::uint8_t, kCartridgeRecordSize> out) {
  PutBytes(out, 0, in.unused0);
  PutU16(out, 2, in.cartridge_id);
  PutBytes(out, 4, in.unused4);
}

void DecodeSampleLogEntry(std::span<const std::uint8_t, kSampleLogEntrySize> in,
                          SampleLogEntry& out) {
  out.cartridge_id = GetU16(in, 4);
  out.treatment = in[14];
  out.stop_reason = in[15];
  out.start_time = GetU32(in, 16);
  out.duration = GetU32(in, 20);
  out.volume = GetF32(in, 24);
  out.max_pressure = GetF32(in, 28);
}

void EncodeSampleLogEntry(const SampleLogEntry& in,
                          std::span<std::uint8_t, kSampleLogEntrySize> out) {
  std::fill(out.begin(), out.end(), std::uint8_t{0});
  PutU16(out, 4, in.cartridge_id);
  out[14] = in.treatment;
  out[15] = in.stop_reason;
  PutU32(out, 16, in.start_time);
  PutU32(out, 20, in.duration);
  PutF32(out, 24, in.volume);
  PutF32(out, 28, in.max_pressure);
}

void DecodeCleaningConfig(std::span<const std::uint8_t, kCleaningConfigSize> in,
                          CleaningConfig& out) {
  out.stabilisation_time = GetU16(in, 2);
  out.clean_through_cartridge = in[4];
  out.bleach_speed = in[5];
  out.bleach_time = GetU16(in, 6);
  out.dwell_time = GetU16(in, 8);
  out.flush_time = GetU16(in, 10);
}

void EncodeCleaningConfig(const CleaningConfig& in,
                          std::span<std::uint8_t, kCleaningConfigSize> out) {
  PutU16(out, 0, 0);
  PutU16(out, 2, in.stabilisation_time);
  out[4] = in.clean_through_cartridge;
  out[5] = in.bleach_speed;
  PutU16(out, 6, in.bleach_time);
  PutU16(out, 8, in.dwell_time);
  PutU16(out, 10, in.flush_time);
}

// ---- Schedule ----------------------------------------------------------------------------

void DecodeScheduleEntry(std::span<const std::uint8_t, kScheduleEntrySize> in, ScheduleEntry& out) {
  out.flags = in[0];
  out.samples = in[1];
  out.volume_tenths = in[2];
  out.timeout_minutes = in[3];
  out.offset_minutes = GetU16(in, 4);
}

void EncodeScheduleEntry(const ScheduleEntry& in, std::span<std::uint8_t, kScheduleEntrySize> out) {
  out[0] = in.flags;
  out[1] = in.samples;
  out[2] = in.volume_tenths;
  out[3] = in.timeout_minutes;
  PutU16(out, 4, in.offset_minutes);
}

void DecodeScheduleRecord(std::span<const std::uint8_t, kScheduleRecordSize> in,
                          ScheduleRecord& out) {
  out.autostart = in[1];
  out.start_time = GetU32(in, 4);
  for (std::size_t i = 0; i < kScheduleRows; ++i) {
    DecodeScheduleEntry(
        in.subspan(kScheduleRowsOffset + i * kScheduleEntrySize).first<kScheduleEntrySize>(),
        out.rows[i]);
  }
}

void EncodeScheduleRecord(const ScheduleRecord& in,
                          std::span<std::uint8_t, kScheduleRecordSize> out) {
  out[0] = 0;
  out[1] = in.autostart;
  PutU16(out, 2, 0);
  PutU32(out, 4, in.start_time);
  for (std::size_t i = 0; i < kScheduleRows; ++i) {
    EncodeScheduleEntry(
        in.rows[i],
        out.subspan(kScheduleRowsOffset + i * kScheduleEntrySize).first<kScheduleEntrySize>());
  }
}

}  // namespace tq
