// info and clock: who the instrument is, and its clock against this computer's.
#include <optional>

#include "cli/clock_text.h"
#include "cli/commands.h"
#include "cli/report.h"
#include "cli/text_encoding.h"
#include "config/readiness.h"
#include "link/command_table.h"
#include "link/commands.h"
#include "link/device_type.h"
#include "ui/epoch.h"

namespace tq::cli {
namespace {

std::string text_of(std::span<const char> field) {
  const std::string_view view(field.data(), field.size());
  return std::string(view.substr(0, view.find('\0')));
}

// The clock's line and offset, or the failure already reported.
struct ClockReading {
  DeviceTime time;
  std::optional<std::int64_t> offset;
};

std::optional<ClockReading> read_clock(const CommandContext& context, int* failure) {
  ClockReading reading;
  const int result = context.read([&] { return GetClock(context.connection(), &reading.time); });
  if (result != kResultOk) {
    *failure = report_failure(context.console.err, kCmdGetClock, result);
    return std::nullopt;
  }
  reading.offset = clock_offset(reading.time, context.platform.local_now());
  return reading;
}

nlohmann::ordered_json clock_json(const ClockReading& reading) {
  nlohmann::ordered_json clock = {{"clock", clock_iso(reading.time)}};
  clock["clock_offset_s"] =
      reading.offset ? nlohmann::ordered_json(*reading.offset) : nlohmann::ordered_json();
  return clock;
}

std::string offset_line(const ClockReading& reading) {
  return reading.offset ? offset_text(*reading.offset) : "unknown (not a real date)";
}

}  // namespace

int run_info(const CommandContext& context) {
  Connection* connection = context.connection();
  IdentityRecord identity;
  if (const int result = context.read([&] { return GetIdentity(connection, &identity); });
      result != kResultOk) {
    return report_failure(context.console.err, kCmdGetIdentity, result);
  }
  std::uint16_t type = 0;
  if (const int result = context.read([&] { return GetDeviceType(connection, &type); });
      result != kResultOk) {
    return report_failure(context.console.err, kCmdGetDeviceType, result);
  }
  FirmwareVersion firmware;
  if (const int result = context.read([&] { return GetFirmwareVersion(connection, &firmware); });
      result != kResultOk) {
    return report_failure(context.console.err, kCmdGetFirmwareVersion, result);
  }
  int failure = kExitOk;
  const auto clock = read_clock(context, &failure);
  if (!clock) return failure;

  // The instrument's texts are single bytes; the terminal and JSON want UTF-8.
  const std::string name = utf8_from_windows_1252(sensor_name_of(identity));
  const std::string version = utf8_from_windows_1252(text_of(firmware.version));
  if (context.invocation.json) {
    nlohmann::ordered_json info = {{"device_type", type},
                                   {"device", DeviceTypeName(type)},
                                   {"name", name},
                                   {"serial_number", identity.serial_number},
                                   {"firmware", version}};
    info.update(clock_json(*clock));
    print_json(context.console.out, info);
    return kExitOk;
  }
  std::ostream& out = context.console.out;
  out << "Device: " << DeviceTypeName(type) << "\n"
      << "Name: " << name << "\n"
      << "Serial number: " << identity.serial_number << "\n"
      << "Firmware: " << version << "\n"
      << "Clock: " << clock_text(clock->time) << "\n"
      << "Clock offset: " << offset_line(*clock) << "\n";
  return kExitOk;
}

int run_clock_show(const CommandContext& context) {
  int failure = kExitOk;
  const auto clock = read_clock(context, &failure);
  if (!clock) return failure;
  if (context.invocation.json) {
    print_json(context.console.out, clock_json(*clock));
  } else {
    context.console.out << "Clock: " << clock_text(clock->time) << "\n"
                        << "Clock offset: " << offset_line(*clock) << "\n";
  }
  return kExitOk;
}

int run_clock_set(const CommandContext& context) {
  const Invocation& in = context.invocation;
  DeviceTime wanted;
  if (!in.set_from_pc) {
    const auto parsed = parse_clock_time(in.time);
    if (!parsed) {
      context.console.err << "tarnquill-cli: '" << in.time
                          << "' is not a time; write it as YYYY-MM-DD HH:MM:SS\n";
      return kExitUsage;
    }
    wanted = *parsed;
  }
  const auto holdable = [](const DeviceTime& time) {
    return calendar_to_epoch(calendar_of(time)) != kEpochInvalid;
  };
  if (!in.set_from_pc && !holdable(wanted)) {
    context.console.err << "tarnquill-cli: the instrument's clock holds times from 1970-01-01 "
                           "00:00:00 to 2038-01-19 03:14:07; '"
                        << in.time << "' is outside them; nothing was sent\n";
    return kExitUsage;
  }
  int failure = kExitOk;
  const auto before = read_clock(context, &failure);
  if (!before) return failure;
  // The computer's time is taken at the last moment, as the clock dialog's Set Now does.
  if (in.set_from_pc) wanted = context.platform.local_now();
  if (!holdable(wanted)) {
    context.console.err << "tarnquill-cli: this computer's clock (" << clock_iso(wanted)
                        << ") is outside the times the instrument can hold; nothing was sent\n";
    return kExitUsage;
  }
  // A SetClock whose answer was lost took effect when the clock reads close to it (the
  // seconds go on meanwhile).
  const auto near_wanted = [&](bool* took) {
    DeviceTime now;
    const int result = GetClock(context.connection(), &now);
    const auto apart = clock_offset(now, wanted);
    *took = result == kResultOk && apart && *apart >= -2 && *apart <= 10;
    return result;
  };
  if (const int result =
          context.write([&] { return SetClock(context.connection(), wanted); }, near_wanted);
      result != kResultOk) {
    return report_failure(context.console.err, kCmdSetClock, result);
  }
  const auto after = read_clock(context, &failure);
  if (!after) return failure;
  if (in.json) {
    print_json(context.console.out, {{"before", clock_json(*before)},
                                     {"set", clock_iso(wanted)},
                                     {"after", clock_json(*after)}});
  } else {
    context.console.out << "Clock before: " << clock_text(before->time) << ", offset "
                        << offset_line(*before) << "\n"
                        << "Clock set to: " << clock_text(wanted) << "\n"
                        << "Clock after: " << clock_text(after->time) << ", offset "
                        << offset_line(*after) << "\n";
  }
  return kExitOk;
}

}  // namespace tq::cli
