// Identity, clock, status, LED, tasks and the diagnostic log.
#include <algorithm>

#include "link/commands.h"
#include "sim/calendar.h"
#include "sim/diagnostic_log.h"
#include "sim/handlers.h"

namespace tq::sim {
namespace {

constexpr LogSite kSiteIdentity{kTaskComms, "cmd_set_identity", 402};
constexpr LogSite kSiteClock{kTaskMain, "rtc_set", 77};
constexpr LogSite kSiteLed{kTaskHousekeeping, "led_toggle", 39};
constexpr LogSite kSiteFilters{kTaskLogger, "log_set_filters", 121};

// The status clock is 32 bits: later moments cannot be reported, so they are refused.
constexpr std::int64_t kLastClockSecond = 0xFFFFFFFF;

std::uint8_t GetIdentityCmd(const Instrument& in, const Request& /*request*/, Reply& reply) {
  EncodeIdentityRecord(in.identity, reply.Take<kIdentityRecordSize>());
  return 0;
}

std::uint8_t SetIdentityCmd(Instrument& in, const Request& request, Reply& /*reply*/) {
  IdentityRecord record;
  DecodeIdentityRecord(request.First<kIdentityRecordSize>(), record);
  if (in.old_firmware || record.format != kIdentityFormat) return kDeviceFormatRefused;
  record.name.back() = '\0';
  in.identity = record;
  LogEvent(
      in, kSiteIdentity, kSeverityInformation,
      Printf("Identity: \"%s\", serial %u", FieldText(record.name).c_str(), record.serial_number));
  return 0;
}

std::uint8_t GetDeviceTypeCmd(const Instrument& in, const Request& /*request*/, Reply& reply) {
  auto out = reply.Take<kDeviceTypeResponseSize>();
  out[0] = 0x03;  // hardware revision
  PutU16(out, kDeviceTypeCodeOffset, in.device_type);
  return 0;
}

std::uint8_t GetClockCmd(const Instrument& in, const Request& /*request*/, Reply& reply) {
  EncodeDeviceTime(DeviceTimeFromEpoch(ClockSeconds(in)), reply.Take<kDeviceTimeSize>());
  return 0;
}

std::uint8_t SetClockCmd(Instrument& in, const Request& request, Reply& /*reply*/) {
  DeviceTime time;
  DecodeDeviceTime(request.First<kDeviceTimeSize>(), time);
  const std::optional<std::int64_t> seconds = EpochFromDeviceTime(time);
  if (!seconds || *seconds > kLastClockSecond) return kDeviceBadArgument;
  in.clock_ms = *seconds * 1000;
  LogEvent(in, kSiteClock, kSeverityInformation,
           Printf("Clock set to %02u/%02u/%04u %02u:%02u:%02u", time.day, time.month, time.year,
                  time.hour, time.minute, time.second));
  return 0;
}

std::uint8_t GetFirmwareVersionCmd(const Instrument& in, const Request& /*request*/, Reply& reply) {
  FirmwareVersion version;
  SetFieldText(version.version, in.firmware_version);
  EncodeFirmwareVersion(version, reply.Take<kFirmwareVersionSize>());
  return 0;
}

std::uint8_t GetSystemStatusCmd(const Instrument& in, const Request& /*request*/, Reply& reply) {
  EncodeSystemStatus(StatusOf(in), reply.Take<kSystemStatusSize>());
  return 0;
}

std::uint8_t ToggleLedCmd(Instrument& in, const Request& /*request*/, Reply& /*reply*/) {
  in.led_on = !in.led_on;
  LogEvent(in, kSiteLed, kSeverityInformation,
           in.led_on ? "Identification LED on" : "Identification LED off");
  return 0;
}

std::uint8_t TaskCount(const Instrument& in) {
  return static_cast<std::uint8_t>(in.tasks.size() - 1);
}

std::uint8_t SetTaskConfigCmd(Instrument& in, const Request& request, Reply& /*reply*/) {
  TaskLogFilters filters;
  DecodeTaskLogFilters(request.First<kTaskLogFiltersSize>(), filters);
  const std::size_t count = std::min(in.tasks.size(), filters.filters.size());
  for (std::size_t i = 0; i < count; ++i) {
    in.tasks[i].log_filters =
        filters.filters[i] & (kLogFilterError | kLogFilterInformation | kLogFilterDebug);
  }
  LogEvent(in, kSiteFilters, kSeverityInformation, "Task log filters changed");
  return 0;
}

std::uint8_t GetTaskDetailsCmd(const Instrument& in, const Request& request, Reply& reply) {
  const std::uint8_t index = request.payload[0];
  if (index >= in.tasks.size()) return kDeviceBadArgument;
  const Task& task = in.tasks[index];
  TaskDetails details;
  SetFieldText(details.name, task.name);
  details.stack_start = task.stack_start;
  details.stack_end = task.stack_end;
  details.stack_top = task.stack_top;
  details.state = TaskActive(in, index) ? 1 : 0;
  details.log_filters = task.log_filters;
  EncodeTaskDetails(details, reply.Take<kTaskDetailsSize>());
  return 0;
}

std::uint8_t GetDiagnosticLogEntryCmd(Instrument& in, const Request& /*request*/, Reply& reply) {
  DiagnosticLog& log = in.diagnostic_log;
  if (log.cursor >= log.entries.size()) return kDeviceNoEntry;
  EncodeDiagnosticLogEntry(log.entries[log.cursor], reply.Take<kDiagnosticLogEntrySize>());
  ++log.cursor;
  return 0;
}

std::uint8_t ClearDiagnosticLogCmd(Instrument& in, const Request& /*request*/, Reply& /*reply*/) {
  in.diagnostic_log.entries.clear();
  in.diagnostic_log.cursor = 0;
  return 0;
}

std::uint8_t StartDiagnosticLogReadCmd(Instrument& in, const Request& request, Reply& /*reply*/) {
  // 0xFFFF reads from the oldest entry kept; a smaller value starts at that index.
  const std::uint16_t from = GetU16(request.payload, 0);
  DiagnosticLog& log = in.diagnostic_log;
  log.cursor = from == kDiagnosticLogReadAll ? 0 : std::min<std::size_t>(from, log.entries.size());
  return 0;
}

std::uint8_t GetTaskCountCmd(const Instrument& in, const Request& /*request*/, Reply& reply) {
  reply.Take<1>()[0] = TaskCount(in);
  return 0;
}

constexpr CommandEntry kTable[] = {
    Entry(kCmdGetIdentity, ReadOnly<GetIdentityCmd>),
    Entry(kCmdSetIdentity, SetIdentityCmd),
    Entry(kCmdGetDeviceType, ReadOnly<GetDeviceTypeCmd>),
    Entry(kCmdGetClock, ReadOnly<GetClockCmd>),
    Entry(kCmdSetClock, SetClockCmd),
    Entry(kCmdGetFirmwareVersion, ReadOnly<GetFirmwareVersionCmd>),
    Entry(kCmdGetSystemStatus, ReadOnly<GetSystemStatusCmd>),
    // The byte the program sends (always 1) carries nothing the firmware reads, so a
    // request without it toggles the LED as well.
    {kCmdToggleLed, 0, ToggleLedCmd},
    // The block may end after any task: the filters are read from the whole Frame, whose
    // bytes past the length are 0, so the tasks left out get no filters.
    {kCmdSetTaskConfig, 1, SetTaskConfigCmd},
    Entry(kCmdGetTaskDetails, ReadOnly<GetTaskDetailsCmd>),
    Entry(kCmdGetDiagnosticLogEntry, GetDiagnosticLogEntryCmd),
    Entry(kCmdClearDiagnosticLog, ClearDiagnosticLogCmd),
    Entry(kCmdStartDiagnosticLogRead, StartDiagnosticLogReadCmd),
    Entry(kCmdGetTaskCount, ReadOnly<GetTaskCountCmd>),
};

}  // namespace

std::span<const CommandEntry> SystemCommandTable() { return kTable; }

}  // namespace tq::sim
