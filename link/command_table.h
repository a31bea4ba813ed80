// Every command of the instrument in one table: its code, its name (as the trace, the
// simulator's fault rules and the command-line tool's messages write it), the payload
// length of the request the program sends, and the payload length of the response record
// it reads (0 when the response carries nothing it reads). A request that carries a
// variable block gives the length before the block.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "link/commands.h"
#include "link/records.h"

namespace tq {

struct InstrumentCommand {
  std::uint8_t code;
  std::string_view name;
  std::size_t request_length;
  std::size_t response_length;
};

inline constexpr std::array<InstrumentCommand, 39> kCommandTable = {{
    {kCmdGetIdentity, "GetIdentity", 0, kIdentityRecordSize},
    {kCmdSetIdentity, "SetIdentity", kIdentityRecordSize, 0},
    {kCmdGetDeviceType, "GetDeviceType", 0, kDeviceTypeResponseSize},
    {kCmdGetClock, "GetClock", 0, kDeviceTimeSize},
    {kCmdSetClock, "SetClock", kDeviceTimeSize, 0},
    {kCmdGetFirmwareVersion, "GetFirmwareVersion", 0, kFirmwareVersionSize},
    {kCmdGetSystemStatus, "GetSystemStatus", 0, kSystemStatusSize},
    {kCmdToggleLed, "ToggleLed", 1, 0},
    {kCmdSetTaskConfig, "SetTaskConfig", kTaskLogFiltersSize, 0},
    {kCmdGetTaskDetails, "GetTaskDetails", 1, kTaskDetailsSize},
    {kCmdGetDiagnosticLogEntry, "GetDiagnosticLogEntry", 0, kDiagnosticLogEntrySize},
    {kCmdClearDiagnosticLog, "ClearDiagnosticLog", 0, 0},
    {kCmdStartDiagnosticLogRead, "StartDiagnosticLogRead", 2, 0},
    {kCmdGetTaskCount, "GetTaskCount", 0, 1},
    {kCmdGetConfigBlock, "GetConfigBlock", 2, 0},  // the block: as many bytes as asked
    {kCmdSetConfigBlock, "SetConfigBlock", 2, 0},  // then the block
    {kCmdStartSensors, "StartSensors", 0, 0},
    {kCmdStopSensors, "StopSensors", 0, 0},
    {kCmdGetSensorSample, "GetSensorSample", 0, kSensorSampleSize},
    {kCmdGetMotorConfig, "GetMotorConfig", 1, kMotorConfigSize},
    {kCmdSetMotorConfig, "SetMotorConfig", 1 + kMotorConfigSize, 0},
    {kCmdRunMotor, "RunMotor", kMotorRunRequestSize, 0},
    {kCmdStopMotor, "StopMotor", 0, 0},
    {kCmdEngageMotor, "EngageMotor", 1, 0},
    {kCmdDisengageMotor, "DisengageMotor", 1, 0},
    {kCmdPumpVolume, "PumpVolume", kPumpRequestSize, 0},
    {kCmdExitMotorControl, "ExitMotorControl", 1, 0},
    {kCmdStartRun, "StartRun", kRunRequestSize, 0},
    {kCmdStopRun, "StopRun", 0, 0},
    {kCmdGetCartridgeId, "GetCartridgeId", 0, kCartridgeRecordSize},
    {kCmdSetCartridgeId, "SetCartridgeId", kCartridgeRecordSize, 0},
    {kCmdGetSampleLogEntry, "GetSampleLogEntry", 2, kSampleLogEntrySize},
    {kCmdClearSampleLog, "ClearSampleLog", 0, 0},
    {kCmdGetCleaningConfig, "GetCleaningConfig", 0, kCleaningConfigSize},
    {kCmdSetCleaningConfig, "SetCleaningConfig", kCleaningConfigSize, 0},
    {kCmdGetSchedule, "GetSchedule", 0, kScheduleRecordSize},
    {kCmdSetSchedule, "SetSchedule", kScheduleRecordSize, 0},
    {kCmdStartSchedule, "StartSchedule", 0, 0},
    {kCmdStopSchedule, "StopSchedule", 0, 0},
}};

// The row of a code; null for a code the instrument does not have.
[[nodiscard]] constexpr const InstrumentCommand* find_command(std::uint8_t code) {
  for (const InstrumentCommand& row : kCommandTable) {
    if (row.code == code) return &row;
  }
  return nullptr;
}

// The command's name; empty for an unknown code.
[[nodiscard]] constexpr std::string_view command_name(std::uint8_t code) {
  const InstrumentCommand* row = find_command(code);
  return row != nullptr ? row->name : std::string_view();
}

}  // namespace tq
