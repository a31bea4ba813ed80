// schedule get and schedule set.
#include "cli/commands.h"
#include "cli/files.h"
#include "cli/report.h"
#include "cli/schedule_json.h"
#include "link/command_table.h"
#include "link/commands.h"

namespace tq::cli {

int run_schedule_get(const CommandContext& context) {
  const std::string& file = context.invocation.file;
  std::optional<OutputTarget> target;
  if (!file.empty()) {
    int status = kExitOk;
    target = output_target(context, file, &status);
    if (!target) return status;
  }
  ScheduleRecord schedule;
  if (const int result = context.read([&] { return GetSchedule(context.connection(), &schedule); });
      result != kResultOk) {
    return report_failure(context.console.err, kCmdGetSchedule, result);
  }
  const std::string text = schedule_to_json(schedule).dump(2) + "\n";
  if (!target) {
    context.console.out << text;
    return kExitOk;
  }
  std::string error;
  if (!write_file_atomically(target->write_path, text, &error)) {
    context.console.err << "tarnquill-cli: " << error << "\n";
    return kExitUsage;
  }
  if (context.invocation.json) {
    print_json(context.console.out, {{"file", file}});
  } else {
    context.console.out << "Schedule written to " << file << "\n";
  }
  return kExitOk;
}

int run_schedule_set(const CommandContext& context) {
  std::string error;
  const auto document = read_json_file(context.invocation.file, &error);
  if (!document) {
    context.console.err << "tarnquill-cli: " << error << "\n";
    return kExitUsage;
  }
  const ScheduleFromJson parsed = schedule_from_json(*document);
  if (!parsed.record) {
    context.console.err << "tarnquill-cli: " << context.invocation.file << ": " << parsed.error
                        << "; nothing was sent\n";
    return kExitUsage;
  }
  Connection* connection = context.connection();
  ScheduleRecord read_back;
  const auto read_back_now = [&] { return GetSchedule(connection, &read_back); };
  if (const int result = context.write([&] { return SetSchedule(connection, *parsed.record); },
                                       [&](bool* took) {
                                         const int r = read_back_now();
                                         *took = r == kResultOk && read_back == *parsed.record;
                                         return r;
                                       });
      result != kResultOk) {
    return report_failure(context.console.err, kCmdSetSchedule, result);
  }
  if (const int result = context.read(read_back_now); result != kResultOk) {
    return report_failure(
        context.console.err,
        std::string(command_name(kCmdGetSchedule)) + " (reading the schedule back)", result);
  }
  if (!(read_back == *parsed.record)) {
    context.console.err << "tarnquill-cli: the instrument holds another schedule than the one "
                           "sent; run 'schedule get' to see it, and send it again\n";
    return kExitInstrument;
  }
  if (context.invocation.json) {
    print_json(context.console.out, {{"sent", schedule_to_json(read_back)}, {"verified", true}});
  } else {
    std::size_t in_use = 0;
    for (const ScheduleEntry& row : read_back.rows) in_use += (row.flags & kScheduleRowInUse) != 0;
    context.console.out << "Schedule sent and read back: " << in_use << " waypoint"
                        << (in_use == 1 ? "" : "s") << "\n";
  }
  return kExitOk;
}

}  // namespace tq::cli
