// The instrument's commands: one operation per command code. Each builds a zeroed request
// Frame, runs it through the Transaction engine and, only when the ResultCode is 0, copies
// the response fields into the caller's output; on any other ResultCode the output is left
// exactly as it was. None shows anything itself.
//
// Threads: any operation may run on any thread; the Connection's lock keeps whole
// Transactions apart. A null Connection gives 14 without touching anything.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "link/connection.h"
#include "link/frame.h"
#include "link/records.h"
#include "link/transaction.h"  // the ResultCode values callers compare against

namespace tq {

// Command codes.
inline constexpr std::uint8_t kCmdGetIdentity = 0x04;
inline constexpr std::uint8_t kCmdSetIdentity = 0x05;
inline constexpr std::uint8_t kCmdGetDeviceType = 0x06;
inline constexpr std::uint8_t kCmdGetClock = 0x22;
inline constexpr std::uint8_t kCmdSetClock = 0x23;
inline constexpr std::uint8_t kCmdGetFirmwareVersion = 0x26;
inline constexpr std::uint8_t kCmdGetSystemStatus = 0x27;
inline constexpr std::uint8_t kCmdToggleLed = 0x28;
inline constexpr std::uint8_t kCmdSetTaskConfig = 0x31;
inline constexpr std::uint8_t kCmdGetTaskDetails = 0x32;
inline constexpr std::uint8_t kCmdGetDiagnosticLogEntry = 0x33;
inline constexpr std::uint8_t kCmdClearDiagnosticLog = 0x34;
inline constexpr std::uint8_t kCmdStartDiagnosticLogRead = 0x35;
inline constexpr std::uint8_t kCmdGetTaskCount = 0x36;
inline constexpr std::uint8_t kCmdGetConfigBlock = 0x70;
inline constexpr std::uint8_t kCmdSetConfigBlock = 0x71;
inline constexpr std::uint8_t kCmdStartSensors = 0x72;
inline constexpr std::uint8_t kCmdStopSensors = 0x73;
inline constexpr std::uint8_t kCmdGetSensorSample = 0x74;
inline constexpr std::uint8_t kCmdGetMotorConfig = 0x80;
inline constexpr std::uint8_t kCmdSetMotorConfig = 0x81;
inline constexpr std::uint8_t kCmdRunMotor = 0x82;
inline constexpr std::uint8_t kCmdStopMotor = 0x83;
inline constexpr std::uint8_t kCmdEngageMotor = 0x84;
inline constexpr std::uint8_t kCmdDisengageMotor = 0x85;
inline constexpr std::uint8_t kCmdPumpVolume = 0x86;
inline constexpr std::uint8_t kCmdExitMotorControl = 0x88;
inline constexpr std::uint8_t kCmdStartRun = 0xA2;
inline constexpr std::uint8_t kCmdStopRun = 0xA3;
inline constexpr std::uint8_t kCmdGetCartridgeId = 0xA4;
inline constexpr std::uint8_t kCmdSetCartridgeId = 0xA5;
inline constexpr std::uint8_t kCmdGetSampleLogEntry = 0xA9;
inline constexpr std::uint8_t kCmdClearSampleLog = 0xAA;
inline constexpr std::uint8_t kCmdGetCleaningConfig = 0xAB;
inline constexpr std::uint8_t kCmdSetCleaningConfig = 0xAC;
inline constexpr std::uint8_t kCmdGetSchedule = 0xB0;
inline constexpr std::uint8_t kCmdSetSchedule = 0xB1;
inline constexpr std::uint8_t kCmdStartSchedule = 0xB2;
inline constexpr std::uint8_t kCmdStopSchedule = 0xB3;

// Request payload constants.
inline constexpr std::uint8_t kToggleLedRequest = 1;
inline constexpr std::uint16_t kDiagnosticLogReadAll = 0xFFFF;
inline constexpr std::uint8_t kExitMotorControlRequest = 0;
// A SetConfigBlock request carries the id and the count before the block.
inline constexpr std::size_t kMaxConfigBlockWrite = 119;
// A GetConfigBlock response carries the block from payload offset 0.
inline constexpr std::size_t kMaxConfigBlockRead = kPayloadCapacity;

// The calling sequence every command shares: clears `frame`, puts in the code, the payload
// length and the payload, and runs it. Returns 14 on a link failure (null Connection
// included) or when `payload` does not fit a Frame (nothing is sent then), otherwise the
// response's result byte, with the response in `frame`. Also used by the few views that
// build a request themselves.
[[nodiscard]] int SendCommand(Connection* connection, std::uint8_t code,
                              std::span<const std::uint8_t> payload, Frame& frame);

// ---- System commands ---------------------------------------------------------------------

[[nodiscard]] int GetIdentity(Connection* connection, IdentityRecord* out);
// Sends `as_read` (the record GetIdentity gave) back with format 2, `name` cut to 20
// characters and zero-terminated at offset 22, and `serial_number` limited to 65535;
// every other byte goes back as read. 8: the firmware does not accept this format.
[[nodiscard]] int SetIdentity(Connection* connection, const IdentityRecord& as_read,
                              std::string_view name, std::uint32_t serial_number);
// The record SetIdentity sends, for callers that need to compare it with a read-back.
[[nodiscard]] IdentityRecord IdentityForSave(const IdentityRecord& as_read, std::string_view name,
                                             std::uint32_t serial_number);
[[nodiscard]] int GetDeviceType(Connection* connection, std::uint16_t* code);
[[nodiscard]] int GetClock(Connection* connection, DeviceTime* out);
[[nodiscard]] int SetClock(Connection* connection, const DeviceTime& time);
[[nodiscard]] int GetFirmwareVersion(Connection* connection, FirmwareVersion* out);
[[nodiscard]] int GetSystemStatus(Connection* connection, SystemStatus* out);
[[nodiscard]] int ToggleLed(Connection* connection);
[[nodiscard]] int SetTaskConfig(Connection* connection, const TaskLogFilters& filters);
[[nodiscard]] int GetTaskDetails(Connection* connection, std::uint8_t task_index, TaskDetails* out);
// Each success gives the next entry; a non-zero result means no further entry for now.
[[nodiscard]] int GetDiagnosticLogEntry(Connection* connection, DiagnosticLogEntry* out);
[[nodiscard]] int ClearDiagnosticLog(Connection* connection);
[[nodiscard]] int StartDiagnosticLogRead(Connection* connection);
// Task indices run from 0 to *count inclusive.
[[nodiscard]] int GetTaskCount(Connection* connection, std::uint8_t* count);

// ---- Sensors and configuration blocks ----------------------------------------------------

// Reads block.size() bytes of the block (at most kMaxConfigBlockRead; more gives 14 and
// nothing is sent). Exactly that many bytes are copied, whatever length the response
// declares.
[[nodiscard]] int GetConfigBlock(Connection* connection, std::uint8_t block_id,
                                 std::span<std::uint8_t> block);
// Writes the block; more than kMaxConfigBlockWrite bytes gives 14 and nothing is sent.
[[nodiscard]] int SetConfigBlock(Connection* connection, std::uint8_t block_id,
                                 std::span<const std::uint8_t> block);
[[nodiscard]] int StartSensors(Connection* connection);
[[nodiscard]] int StopSensors(Connection* connection);
[[nodiscard]] int GetSensorSample(Connection* connection, SensorSample* out);

// The two known blocks through GetConfigBlock / SetConfigBlock.
[[nodiscard]] int ReadFlowMeterConfig(Connection* connection, FlowMeterConfig* out);
[[nodiscard]] int WriteFlowMeterConfig(Connection* connection, const FlowMeterConfig& config);
[[nodiscard]] int ReadPressureCalibration(Connection* connection, PressureCalibration* out);
[[nodiscard]] int WritePressureCalibration(Connection* connection,
                                           const PressureCalibration& calibration);

// ---- Motors ------------------------------------------------------------------------------

[[nodiscard]] int GetMotorConfig(Connection* connection, std::uint8_t motor_id, MotorConfig* out);
[[nodiscard]] int SetMotorConfig(Connection* connection, std::uint8_t motor_id,
                                 const MotorConfig& config);
[[nodiscard]] int RunMotor(Connection* connection, const MotorRunRequest& request);
[[nodiscard]] int StopMotor(Connection* connection);
[[nodiscard]] int EngageMotor(Connection* connection, std::uint8_t motor_id);
[[nodiscard]] int DisengageMotor(Connection* connection, std::uint8_t motor_id);
[[nodiscard]] int PumpVolume(Connection* connection, const PumpRequest& request);
[[nodiscard]] int ExitMotorControl(Connection* connection);

// ---- Runs, cartridges, sample log, cleaning, schedule ------------------------------------

[[nodiscard]] int StartRun(Connection* connection, const RunRequest& request);
[[nodiscard]] int StopRun(Connection* connection);
[[nodiscard]] int GetCartridgeId(Connection* connection, CartridgeRecord* out);
// `record` is the one GetCartridgeId gave, with the new ID; its other bytes go back as read.
[[nodiscard]] int SetCartridgeId(Connection* connection, const CartridgeRecord& record);
// 9: no entry with this index (the end of the log).
[[nodiscard]] int GetSampleLogEntry(Connection* connection, std::uint16_t index,
                                    SampleLogEntry* out);
[[nodiscard]] int ClearSampleLog(Connection* connection);
[[nodiscard]] int GetCleaningConfig(Connection* connection, CleaningConfig* out);
[[nodiscard]] int SetCleaningConfig(Connection* connection, const CleaningConfig& config);
[[nodiscard]] int GetSchedule(Connection* connection, ScheduleRecord* out);
[[nodiscard]] int SetSchedule(Connection* connection, const ScheduleRecord& schedule);
[[nodiscard]] int StartSchedule(Connection* connection);
[[nodiscard]] int StopSchedule(Connection* connection);

// ---- Shapes of the calling sequence, shared by the operations above ----------------------

[[nodiscard]] inline int SendNoPayload(Connection* connection, std::uint8_t code) {
  Frame frame{};
  return SendCommand(connection, code, {}, frame);
}

[[nodiscard]] inline int SendByte(Connection* connection, std::uint8_t code, std::uint8_t value) {
  const std::array<std::uint8_t, 1> payload{value};
  Frame frame{};
  return SendCommand(connection, code, payload, frame);
}

// Runs a command whose response is one record: decodes it into *out only when the result
// is 0 (a null `out` just discards it).
template <std::size_t N, typename Record>
[[nodiscard]] int QueryRecord(Connection* connection, std::uint8_t code,
                              std::span<const std::uint8_t> payload,
                              void (*decode)(std::span<const std::uint8_t, N>, Record&),
                              Record* out) {
  Frame frame{};
  const int result = SendCommand(connection, code, payload, frame);
  if (result == 0 && out != nullptr) decode(PayloadOf<N>(frame), *out);
  return result;
}

// Runs a command whose request is one record.
template <std::size_t N, typename Record>
[[nodiscard]] int SendRecord(Connection* connection, std::uint8_t code, const Record& record,
                             void (*encode)(const Record&, std::span<std::uint8_t, N>)) {
  std::array<std::uint8_t, N> payload{};
  encode(record, payload);
  Frame frame{};
  return SendCommand(connection, code, payload, frame);
}

}  // namespace tq
