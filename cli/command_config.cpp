// config save, diff and load: every configuration the instrument stores, in one file.
#include <utility>

#include "cli/commands.h"
#include "cli/config_json.h"
#include "cli/files.h"
#include "cli/report.h"
#include "cli/schedule_json.h"
#include "link/command_table.h"
#include "link/commands.h"
#include "sampling/run_view.h"

namespace tq::cli {
namespace {

CommandRunner runner_of(const CommandContext& context) {
  return [&context](const std::function<int()>& command) { return context.read(command); };
}

// Reads the instrument's configuration, or reports why it could not.
std::optional<nlohmann::ordered_json> instrument_json(const CommandContext& context, int* status) {
  ConfigRead read = read_instrument_config(context.connection(), runner_of(context));
  if (!read.config) {
    *status = report_failure(context.console.err, read.failed_command, read.result);
    return std::nullopt;
  }
  return config_to_json(*read.config, read.unit);
}

std::optional<nlohmann::ordered_json> file_json(const CommandContext& context) {
  std::string error;
  auto document = read_json_file(context.invocation.file, &error);
  if (!document) context.console.err << "tarnquill-cli: " << error << "\n";
  return document;
}

// One record written as its dialog writes it and read back: "" when it arrived, else why
// not. A write whose answer is lost is settled by the same read-back.
template <class Record>
std::string write_record(const CommandContext& context, std::uint8_t set_command,
                         std::uint8_t get_command, const std::function<int()>& set,
                         const std::function<int(Record*)>& get, const Record& wanted) {
  Record back{};
  const int written = context.write(set, [&](bool* took) {
    const int result = get(&back);
    *took = result == kResultOk && back == wanted;
    return result;
  });
  if (written != kResultOk)
    return std::string(command_name(set_command)) + " failed: " + describe_result(written);
  if (const int result = context.read([&] { return get(&back); }); result != kResultOk) {
    return std::string(command_name(get_command)) + " failed: " + describe_result(result);
  }
  return back == wanted ? "" : "read back differs";
}

std::string write_identity(const CommandContext& context, const InstrumentConfig& wanted) {
  Connection* connection = context.connection();
  IdentityRecord as_read;
  if (const int r = context.read([&] { return GetIdentity(connection, &as_read); });
      r != kResultOk) {
    return std::string(command_name(kCmdGetIdentity)) + " failed: " + describe_result(r);
  }
  // What the identity dialog verifies: the name and the serial number.
  using NameAndSerial = std::pair<std::string, std::uint32_t>;
  const NameAndSerial sent{sensor_name_of(wanted.identity), wanted.identity.serial_number};
  return write_record<NameAndSerial>(
      context, kCmdSetIdentity, kCmdGetIdentity,
      [&] { return SetIdentity(connection, as_read, sent.first, sent.second); },
      [&](NameAndSerial* back) {
        IdentityRecord record;
        const int result = GetIdentity(connection, &record);
        if (result == kResultOk) *back = {sensor_name_of(record), record.serial_number};
        return result;
      },
      sent);
}

std::string write_motors(const CommandContext& context, const InstrumentConfig& wanted) {
  Connection* connection = context.connection();
  for (std::uint8_t id = 1; id <= kMotorCount; ++id) {
    MotorConfig motor;
    // The byte the program does not interpret goes back as the instrument holds it.
    if (const int r = context.read([&] { return GetMotorConfig(connection, id, &motor); });
        r != kResultOk) {
      return std::string(command_name(kCmdGetMotorConfig)) + " failed: " + describe_result(r);
    }
    const std::uint8_t kept = motor.unused0;
    motor = wanted.motors[id - 1U];
    motor.unused0 = kept;
    const std::string problem = write_record<MotorConfig>(
        context, kCmdSetMotorConfig, kCmdGetMotorConfig,
        [&] { return SetMotorConfig(connection, id, motor); },
        [&](MotorConfig* back) { return GetMotorConfig(connection, id, back); }, motor);
    if (!problem.empty()) return "motor " + std::to_string(id) + ": " + problem;
  }
  return "";
}

std::string write_flow_meter(const CommandContext& context, const InstrumentConfig& wanted) {
  Connection* connection = context.connection();
  return write_record<FlowMeterConfig>(
      context, kCmdSetConfigBlock, kCmdGetConfigBlock,
      [&] { return WriteFlowMeterConfig(connection, wanted.flow_meter); },
      [&](FlowMeterConfig* back) { return ReadFlowMeterConfig(connection, back); },
      wanted.flow_meter);
}

std::string write_pressure(const CommandContext& context, const InstrumentConfig& wanted) {
  Connection* connection = context.connection();
  PressureCalibration block;
  if (const int r = context.read([&] { return ReadPressureCalibration(connection, &block); });
      r != kResultOk) {
    return std::string(command_name(kCmdGetConfigBlock)) + " failed: " + describe_result(r);
  }
  const std::uint8_t header = block.unused0;  // carried through, as the dialog does
  block = wanted.pressure;
  block.unused0 = header;
  return write_record<PressureCalibration>(
      context, kCmdSetConfigBlock, kCmdGetConfigBlock,
      [&] { return WritePressureCalibration(connection, block); },
      [&](PressureCalibration* back) { return ReadPressureCalibration(connection, back); }, block);
}

std::string write_cleaning(const CommandContext& context, const InstrumentConfig& wanted) {
  Connection* connection = context.connection();
  return write_record<CleaningConfig>(
      context, kCmdSetCleaningConfig, kCmdGetCleaningConfig,
      [&] { return SetCleaningConfig(connection, wanted.cleaning); },
      [&](CleaningConfig* back) { return GetCleaningConfig(connection, back); }, wanted.cleaning);
}

std::string write_schedule(const CommandContext& context, const InstrumentConfig& wanted) {
  Connection* connection = context.connection();
  return write_record<ScheduleRecord>(
      context, kCmdSetSchedule, kCmdGetSchedule,
      [&] { return SetSchedule(connection, wanted.schedule); },
      [&](ScheduleRecord* back) { return GetSchedule(connection, back); }, wanted.schedule);
}

// The filters of every task, as they read back one task at a time.
int read_task_filters(Connection* connection, std::size_t count, std::vector<std::uint8_t>* out) {
  out->clear();
  for (std::size_t i = 0; i < count; ++i) {
    TaskDetails details;
    if (const int r = GetTaskDetails(connection, static_cast<std::uint8_t>(i), &details);
        r != kResultOk) {
      return r;
    }
    out->push_back(details.log_filters);
  }
  return kResultOk;
}

std::string write_task_filters(const CommandContext& context, const InstrumentConfig& wanted) {
  Connection* connection = context.connection();
  TaskLogFilters filters;
  for (std::size_t i = 0; i < wanted.task_filters.size(); ++i) {
    filters.filters[i] = wanted.task_filters[i];
  }
  return write_record<std::vector<std::uint8_t>>(
      context, kCmdSetTaskConfig, kCmdGetTaskDetails,
      [&] { return SetTaskConfig(connection, filters); },
      [&](std::vector<std::uint8_t>* back) {
        return read_task_filters(connection, wanted.task_filters.size(), back);
      },
      wanted.task_filters);
}

struct ConfigRecord {
  const char* what;
  std::string (*write)(const CommandContext&, const InstrumentConfig&);
};

constexpr ConfigRecord kRecords[] = {{"identity", write_identity},
                                     {"motors", write_motors},
                                     {"flow meter", write_flow_meter},
                                     {"pressure calibration", write_pressure},
                                     {"cleaning", write_cleaning},
                                     {"schedule", write_schedule},
                                     {"task log filters", write_task_filters}};

// Whether the file may go into this instrument at all, asked before the first write: the
// same unit (or --other-unit), a sampler idle and powered, as many tasks. *status says how
// it was refused.
bool fits_instrument(const CommandContext& context, const InstrumentConfig& file, int* status) {
  Connection* connection = context.connection();
  std::ostream& err = context.console.err;
  const std::string& name = context.invocation.file;
  IdentityRecord identity;
  if (const int r = context.read([&] { return GetIdentity(connection, &identity); });
      r != kResultOk) {
    *status = report_failure(err, kCmdGetIdentity, r);
    return false;
  }
  if (identity.serial_number != file.identity.serial_number && !context.invocation.other_unit) {
    err << "tarnquill-cli: " << name << " was saved from unit " << file.identity.serial_number
        << ", this is unit " << identity.serial_number
        << "; add --other-unit to load it into this one (its name and serial number stay); "
           "nothing was written\n";
    *status = kExitUsage;
    return false;
  }
  SystemStatus state;
  if (const int r = context.read([&] { return GetSystemStatus(connection, &state); });
      r != kResultOk) {
    *status = report_failure(err, kCmdGetSystemStatus, r);
    return false;
  }
  if (state.sampler_state != static_cast<std::uint8_t>(SamplerState::kIdle) ||
      state.control_source == kControlSourceSchedule) {
    const bool unpowered =
        state.sampler_state == static_cast<std::uint8_t>(SamplerState::kUnpowered);
    err << "tarnquill-cli: the sampler is not idle and powered (" << sampler_state_name(state)
        << "); " << (unpowered ? "connect the battery" : "stop it ('run stop')")
        << ", then try again; nothing was written\n";
    *status = kExitInstrument;
    return false;
  }
  std::uint8_t last_task = 0;
  if (const int r = context.read([&] { return GetTaskCount(connection, &last_task); });
      r != kResultOk) {
    *status = report_failure(err, kCmdGetTaskCount, r);
    return false;
  }
  if (last_task + 1U != file.task_filters.size()) {
    err << "tarnquill-cli: " << name << " has " << file.task_filters.size()
        << " tasks and the instrument " << last_task + 1U
        << ": it belongs to other firmware; nothing was written\n";
    *status = kExitUsage;
    return false;
  }
  return true;
}

std::string record_list(const std::vector<const char*>& records) {
  if (records.empty()) return "none";
  std::string text;
  for (const char* what : records) text += (text.empty() ? "" : ", ") + std::string(what);
  return text;
}

}  // namespace

int run_config_save(const CommandContext& context) {
  int status = kExitOk;
  const auto target = output_target(context, context.invocation.file, &status);
  if (!target) return status;
  const auto document = instrument_json(context, &status);
  if (!document) return status;
  std::string error;
  if (!write_file_atomically(target->write_path, document->dump(2) + "\n", &error)) {
    context.console.err << "tarnquill-cli: " << error << "\n";
    return kExitUsage;
  }
  if (context.invocation.json) {
    print_json(context.console.out, {{"file", context.invocation.file}});
  } else {
    context.console.out << "Configuration of " << (*document)["identity"]["name"].get<std::string>()
                        << " saved to " << context.invocation.file << "\n";
  }
  return kExitOk;
}

int run_config_diff(const CommandContext& context) {
  auto file = file_json(context);
  if (!file) return kExitUsage;
  const ConfigFromJson checked = config_from_json(*file);
  if (!checked.config) {
    context.console.err << "tarnquill-cli: " << context.invocation.file << ": " << checked.error
                        << "\n";
    return kExitUsage;
  }
  // The schedule as it would be sent (waypoints in order, volumes in tenths, "clean" when
  // left out), so that only a real difference shows.
  (*file)["schedule"] = schedule_to_json(checked.config->schedule);
  int status = kExitOk;
  const auto instrument = instrument_json(context, &status);
  if (!instrument) return status;
  const std::vector<std::string> lines = config_differences(*file, *instrument);
  if (context.invocation.json) {
    print_json(context.console.out, {{"differences", lines}});
  } else if (lines.empty()) {
    context.console.out << "No differences\n";
  } else {
    for (const std::string& line : lines) context.console.out << line << "\n";
  }
  return kExitOk;
}

int run_config_load(const CommandContext& context) {
  const auto file = file_json(context);
  if (!file) return kExitUsage;
  const ConfigFromJson parsed = config_from_json(*file);
  if (!parsed.config) {
    context.console.err << "tarnquill-cli: " << context.invocation.file << ": " << parsed.error
                        << "; nothing was written\n";
    return kExitUsage;
  }
  int status = kExitOk;
  if (!fits_instrument(context, *parsed.config, &status)) return status;
  // Another unit's name and serial number would make this unit pass for that one.
  const bool identity = !context.invocation.other_unit || context.invocation.with_identity;
  nlohmann::ordered_json report = nlohmann::ordered_json::object();
  std::vector<const char*> written;
  std::vector<const char*> left;
  std::string failure;
  bool interrupted = false;
  for (const ConfigRecord& record : kRecords) {
    const bool wanted = identity || std::string_view(record.what) != "identity";
    // Ctrl+C and a failure stop between records, never inside one.
    interrupted = interrupted || context.platform.stop_requested();
    if (!wanted || interrupted || !failure.empty()) {
      if (wanted) left.push_back(record.what);
      report[record.what] = wanted ? "not written" : "kept as it is";
    } else {
      const LinkRetry::StopHold whole_record(*context.link);
      const std::string problem = record.write(context, *parsed.config);
      report[record.what] = problem.empty() ? "written and verified" : "FAILED: " + problem;
      if (problem.empty()) {
        written.push_back(record.what);
      } else {
        failure = std::string(record.what) + ": " + problem;
      }
    }
    if (!context.invocation.json) {
      context.console.out << record.what << ": " << report[record.what].get<std::string>() << "\n";
    }
  }
  if (context.invocation.json) print_json(context.console.out, report);
  if (interrupted && failure.empty()) {
    context.console.err << "tarnquill-cli: interrupted; written and verified: "
                        << record_list(written) << "; not written: " << record_list(left) << "\n";
    return kExitInterrupted;
  }
  if (!failure.empty()) {
    context.console.err << "tarnquill-cli: " << failure
                        << "; written and verified: " << record_list(written)
                        << "; not written: " << record_list(left) << "; run 'config diff "
                        << context.invocation.file << "' to see what differs\n";
    return context.platform.stop_requested() ? kExitInterrupted : kExitInstrument;
  }
  return kExitOk;
}

}  // namespace tq::cli
