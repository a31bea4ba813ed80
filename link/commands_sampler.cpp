// Sampler commands: sensors, configuration blocks, motors, runs, cartridges, the sample
// log, cleaning and the schedule.
#include <algorithm>
#include <array>

#include "link/commands.h"
#include "link/transaction.h"

namespace tq {

int GetConfigBlock(Connection* connection, std::uint8_t block_id, std::span<std::uint8_t> block) {
  // A response carries at most a Frame's payload; asking for more could not be answered.
  if (block.size() > kMaxConfigBlockRead) return kResultLinkFailure;
  const std::array<std::uint8_t, 2> payload{block_id, static_cast<std::uint8_t>(block.size())};
  Frame frame{};
  const int result = SendCommand(connection, kCmdGetConfigBlock, payload, frame);
  // The count asked for decides how much is copied, not the response's length byte.
  if (result == kResultOk) {
    std::copy_n(frame.begin() + kOffPayload, block.size(), block.begin());
  }
  return result;
}

int SetConfigBlock(Connection* connection, std::uint8_t block_id,
                   std::span<const std::uint8_t> block) {
  // The id and the count come first; a longer block would not fit and is refused whole
  // rather than sent cut short.
  if (block.size() > kMaxConfigBlockWrite) return kResultLinkFailure;
  std::array<std::uint8_t, kPayloadCapacity> payload{};
  payload[0] = block_id;
  payload[1] = static_cast<std::uint8_t>(block.size());
  std::copy(block.begin(), block.end(), payload.begin() + 2);
  Frame frame{};
  return SendCommand(connection, kCmdSetConfigBlock,
                     std::span<const std::uint8_t>(payload).first(block.size() + 2), frame);
}

int StartSensors(Connection* connection) { return SendNoPayload(connection, kCmdStartSensors); }

int StopSensors(Connection* connection) { return SendNoPayload(connection, kCmdStopSensors); }

int GetSensorSample(Connection* connection, SensorSample* out) {
  return QueryRecord(connection, kCmdGetSensorSample, {}, DecodeSensorSample, out);
}

namespace {

template <std::size_t N, typename Record>
int ReadBlock(Connection* connection, std::uint8_t block_id,
              void (*decode)(std::span<const std::uint8_t, N>, Record&), Record* out) {
  std::array<std::uint8_t, N> bytes{};
  const int result = GetConfigBlock(connection, block_id, bytes);
  if (result == kResultOk && out != nullptr) decode(bytes, *out);
  return result;
}

template <std::size_t N, typename Record>
int WriteBlock(Connection* connection, std::uint8_t block_id, const Record& record,
               void (*encode)(const Record&, std::span<std::uint8_t, N>)) {
  std::array<std::uint8_t, N> bytes{};
  encode(record, bytes);
  return SetConfigBlock(connection, block_id, bytes);
}

}  // namespace

int ReadFlowMeterConfig(Connection* connection, FlowMeterConfig* out) {
  return ReadBlock(connection, kBlockFlowMeter, DecodeFlowMeterConfig, out);
}

int WriteFlowMeterConfig(Connection* connection, const FlowMeterConfig& config) {
  return WriteBlock(connection, kBlockFlowMeter, config, EncodeFlowMeterConfig);
}

int ReadPressureCalibration(Connection* connection, PressureCalibration* out) {
  return ReadBlock(connection, kBlockPressureCalibration, DecodePressureCalibration, out);
}

int WritePressureCalibration(Connection* connection, const PressureCalibration& calibration) {
  return WriteBlock(connection, kBlockPressureCalibration, calibration, EncodePressureCalibration);
}

int GetMotorConfig(Connection* connection, std::uint8_t motor_id, MotorConfig* out) {
  const std::array<std::uint8_t, 1> payload{motor_id};
  return QueryRecord(connection, kCmdGetMotorConfig, payload, DecodeMotorConfig, out);
}

int SetMotorConfig(Connection* connection, std::uint8_t motor_id, const MotorConfig& config) {
  std::array<std::uint8_t, 1 + kMotorConfigSize> payload{};
  payload[0] = motor_id;
  EncodeMotorConfig(config, std::span(payload).subspan<1>());
  Frame frame{};
  return SendCommand(connection, kCmdSetMotorConfig, payload, frame);
}

int RunMotor(Connection* connection, const MotorRunRequest& request) {
  return SendRecord(connection, kCmdRunMotor, request, EncodeMotorRunRequest);
}

int StopMotor(Connection* connection) { return SendNoPayload(connection, kCmdStopMotor); }

int EngageMotor(Connection* connection, std::uint8_t motor_id) {
  return SendByte(connection, kCmdEngageMotor, motor_id);
}

int DisengageMotor(Connection* connection, std::uint8_t motor_id) {
  return SendByte(connection, kCmdDisengageMotor, motor_id);
}

int PumpVolume(Connection* connection, const PumpRequest& request) {
  return SendRecord(connection, kCmdPumpVolume, request, EncodePumpRequest);
}

int ExitMotorControl(Connection* connection) {
  return SendByte(connection, kCmdExitMotorControl, kExitMotorControlRequest);
}

int StartRun(Connection* connection, const RunRequest& request) {
  return SendRecord(connection, kCmdStartRun, request, EncodeRunRequest);
}

int StopRun(Connection* connection) { return SendNoPayload(connection, kCmdStopRun); }

int GetCartridgeId(Connection* connection, CartridgeRecord* out) {
  return QueryRecord(connection, kCmdGetCartridgeId, {}, DecodeCartridgeRecord, out);
}

int SetCartridgeId(Connection* connection, const CartridgeRecord& record) {
  return SendRecord(connection, kCmdSetCartridgeId, record, EncodeCartridgeRecord);
}

int GetSampleLogEntry(Connection* connection, std::uint16_t index, SampleLogEntry* out) {
  std::array<std::uint8_t, 2> payload{};
  PutU16(payload, 0, index);
  return QueryRecord(connection, kCmdGetSampleLogEntry, payload, DecodeSampleLogEntry, out);
}

int ClearSampleLog(Connection* connection) { return SendNoPayload(connection, kCmdClearSampleLog); }

int GetCleaningConfig(Connection* connection, CleaningConfig* out) {
  return QueryRecord(connection, kCmdGetCleaningConfig, {}, DecodeCleaningConfig, out);
}

int SetCleaningConfig(Connection* connection, const CleaningConfig& config) {
  return SendRecord(connection, kCmdSetCleaningConfig, config, EncodeCleaningConfig);
}

int GetSchedule(Connection* connection, ScheduleRecord* out) {
  return QueryRecord(connection, kCmdGetSchedule, {}, DecodeScheduleRecord, out);
}

int SetSchedule(Connection* connection, const ScheduleRecord& schedule) {
  return SendRecord(connection, kCmdSetSchedule, schedule, EncodeScheduleRecord);
}

int StartSchedule(Connection* connection) { return SendNoPayload(connection, kCmdStartSchedule); }

int StopSchedule(Connection* connection) { return SendNoPayload(connection, kCmdStopSchedule); }

}  // namespace tq
