// System commands: identity, device type, clock, firmware, status, LED, diagnostic log
// and tasks, plus the calling sequence all commands share.
#include <algorithm>
#include <array>
#include <limits>

#include "link/commands.h"
#include "link/transaction.h"

namespace tq {

int SendCommand(Connection* connection, std::uint8_t code, std::span<const std::uint8_t> payload,
                Frame& frame) {
  frame.fill(0);
  if (payload.size() > kPayloadCapacity) return kResultLinkFailure;
  frame[kOffCommand] = code;
  frame[kOffLength] = static_cast<std::uint8_t>(payload.size());
  std::copy(payload.begin(), payload.end(), frame.begin() + kOffPayload);
  return RunCommand(connection, frame);
}

int GetIdentity(Connection* connection, IdentityRecord* out) {
  return QueryRecord(connection, kCmdGetIdentity, {}, DecodeIdentityRecord, out);
}

IdentityRecord IdentityForSave(const IdentityRecord& as_read, std::string_view name,
                               std::uint32_t serial_number) {
  IdentityRecord record = as_read;
  record.format = kIdentityFormat;
  SetFieldText(record.name, name);
  record.serial_number = static_cast<std::uint16_t>(
      std::min<std::uint32_t>(serial_number, std::numeric_limits<std::uint16_t>::max()));
  return record;
}

int SetIdentity(Connection* connection, const IdentityRecord& as_read, std::string_view name,
                std::uint32_t serial_number) {
  return SendRecord(connection, kCmdSetIdentity, IdentityForSave(as_read, name, serial_number),
                    EncodeIdentityRecord);
}

int GetDeviceType(Connection* connection, std::uint16_t* code) {
  Frame frame{};
  const int result = SendCommand(connection, kCmdGetDeviceType, {}, frame);
  if (result == kResultOk && code != nullptr) {
    *code = GetU16(PayloadOf<kDeviceTypeResponseSize>(frame), kDeviceTypeCodeOffset);
  }
  return result;
}

int GetClock(Connection* connection, DeviceTime* out) {
  return QueryRecord(connection, kCmdGetClock, {}, DecodeDeviceTime, out);
}

int SetClock(Connection* connection, const DeviceTime& time) {
  return SendRecord(connection, kCmdSetClock, time, EncodeDeviceTime);
}

int GetFirmwareVersion(Connection* connection, FirmwareVersion* out) {
  return QueryRecord(connection, kCmdGetFirmwareVersion, {}, DecodeFirmwareVersion, out);
}

int GetSystemStatus(Connection* connection, SystemStatus* out) {
  return QueryRecord(connection, kCmdGetSystemStatus, {}, DecodeSystemStatus, out);
}

int ToggleLed(Connection* connection) {
  return SendByte(connection, kCmdToggleLed, kToggleLedRequest);
}

int SetTaskConfig(Connection* connection, const TaskLogFilters& filters) {
  return SendRecord(connection, kCmdSetTaskConfig, filters, EncodeTaskLogFilters);
}

int GetTaskDetails(Connection* connection, std::uint8_t task_index, TaskDetails* out) {
  const std::array<std::uint8_t, 1> payload{task_index};
  return QueryRecord(connection, kCmdGetTaskDetails, payload, DecodeTaskDetails, out);
}

int GetDiagnosticLogEntry(Connection* connection, DiagnosticLogEntry* out) {
  return QueryRecord(connection, kCmdGetDiagnosticLogEntry, {}, DecodeDiagnosticLogEntry, out);
}

int ClearDiagnosticLog(Connection* connection) {
  return SendNoPayload(connection, kCmdClearDiagnosticLog);
}

int StartDiagnosticLogRead(Connection* connection) {
  std::array<std::uint8_t, 2> payload{};
  PutU16(payload, 0, kDiagnosticLogReadAll);
  Frame frame{};
  return SendCommand(connection, kCmdStartDiagnosticLogRead, payload, frame);
}

int GetTaskCount(Connection* connection, std::uint8_t* count) {
  Frame frame{};
  const int result = SendCommand(connection, kCmdGetTaskCount, {}, frame);
  if (result == kResultOk && count != nullptr) *count = frame[kOffPayload];
  return result;
}

}  // namespace tq
