// config save, diff and load: every configuration the instrument stores, in one file.
#include <functional>

#include "cli/commands.h"
#include "cli/config_json.h"
#include "cli/files.h"
#include "cli/report.h"
#include "config/identity_dialog.h"
#include "link/commands.h"
#include "shell/main_window.h"

namespace tq::cli {
namespace {

// Reads the instrument's configuration, or reports why it could not.
std::optional<nlohmann::ordered_json> instrument_json(const CommandContext& context, int* status,
                                                      ConfigRead* read_out = nullptr) {
  ConfigRead read = read_instrument_config(context.connection());
  if (!read.config) {
    *status = report_failure(context.console.err, read.failed_command, read.result);
    return std::nullopt;
  }
  const nlohmann::ordered_json document = config_to_json(*read.config, read.unit);
  if (read_out != nullptr) *read_out = std::move(read);
  return document;
}

std::optional<nlohmann::ordered_json> file_json(const CommandContext& context) {
  std::string error;
  auto document = read_json_file(context.invocation.file, &error);
  if (!document) context.console.err << "tarnquill-cli: " << error << "\n";
  return document;
}

// One record written as its dialog writes it and read back: "" when it arrived, else why not.
using Writer = std::function<std::string(Connection*)>;

std::string failed(const char* command, int result) {
  return std::string(command) + " failed: " + describe_result(result);
}

std::string write_identity(Connection* connection, const InstrumentConfig& wanted) {
  const std::string name = sensor_name_of(wanted.identity);
  const IdentitySaveOutcome outcome =
      save_identity(connection, name, std::to_string(wanted.identity.serial_number));
  if (!outcome.reread) return outcome.message != nullptr ? outcome.message : "not saved";
  if (sensor_name_of(*outcome.reread) != name ||
      outcome.reread->serial_number != wanted.identity.serial_number) {
    return "read back differs";
  }
  return "";
}

std::string write_motors(Connection* connection, const InstrumentConfig& wanted) {
  for (std::uint8_t id = 1; id <= kMotorCount; ++id) {
    MotorConfig motor;
    // The byte the program does not interpret goes back as the instrument holds it.
    if (const int r = GetMotorConfig(connection, id, &motor); r != kResultOk)
      return failed("GetMotorConfig", r);
    const std::uint8_t kept = motor.unused0;
    motor = wanted.motors[id - 1U];
    motor.unused0 = kept;
    if (const int r = SetMotorConfig(connection, id, motor); r != kResultOk)
      return failed("SetMotorConfig", r);
    MotorConfig read_back;
    if (const int r = GetMotorConfig(connection, id, &read_back); r != kResultOk) {
      return failed("GetMotorConfig", r);
    }
    if (!(read_back == motor)) return "motor " + std::to_string(id) + ": read back differs";
  }
  return "";
}

std::string write_flow_meter(Connection* connection, const InstrumentConfig& wanted) {
  if (const int r = WriteFlowMeterConfig(connection, wanted.flow_meter); r != kResultOk) {
    return failed("SetConfigBlock", r);
  }
  FlowMeterConfig read_back;
  if (const int r = ReadFlowMeterConfig(connection, &read_back); r != kResultOk) {
    return failed("GetConfigBlock", r);
  }
  return read_back == wanted.flow_meter ? "" : "read back differs";
}

std::string write_pressure(Connection* connection, const InstrumentConfig& wanted) {
  PressureCalibration block;
  if (const int r = ReadPressureCalibration(connection, &block); r != kResultOk) {
    return failed("GetConfigBlock", r);
  }
  const std::uint8_t header = block.unused0;  // carried through, as the dialog does
  block = wanted.pressure;
  block.unused0 = header;
  if (const int r = WritePressureCalibration(connection, block); r != kResultOk) {
    return failed("SetConfigBlock", r);
  }
  PressureCalibration read_back;
  if (const int r = ReadPressureCalibration(connection, &read_back); r != kResultOk) {
    return failed("GetConfigBlock", r);
  }
  return read_back == block ? "" : "read back differs";
}

std::string write_cleaning(Connection* connection, const InstrumentConfig& wanted) {
  if (const int r = SetCleaningConfig(connection, wanted.cleaning); r != kResultOk) {
    return failed("SetCleaningConfig", r);
  }
  CleaningConfig read_back;
  if (const int r = GetCleaningConfig(connection, &read_back); r != kResultOk) {
    return failed("GetCleaningConfig", r);
  }
  return read_back == wanted.cleaning ? "" : "read back differs";
}

std::string write_schedule(Connection* connection, const InstrumentConfig& wanted) {
  if (const int r = SetSchedule(connection, wanted.schedule); r != kResultOk) {
    return failed("SetSchedule", r);
  }
  ScheduleRecord read_back;
  if (const int r = GetSchedule(connection, &read_back); r != kResultOk)
    return failed("GetSchedule", r);
  return read_back == wanted.schedule ? "" : "read back differs";
}

std::string write_task_filters(Connection* connection, const InstrumentConfig& wanted) {
  std::uint8_t last = 0;
  if (const int r = GetTaskCount(connection, &last); r != kResultOk)
    return failed("GetTaskCount", r);
  if (last + 1U != wanted.task_filters.size()) {
    return "the file has " + std::to_string(wanted.task_filters.size()) +
           " tasks and the instrument " + std::to_string(last + 1U) + "; nothing written";
  }
  TaskLogFilters filters;
  for (std::size_t i = 0; i < wanted.task_filters.size(); ++i)
    filters.filters[i] = wanted.task_filters[i];
  if (const int r = SetTaskConfig(connection, filters); r != kResultOk)
    return failed("SetTaskConfig", r);
  for (std::size_t i = 0; i < wanted.task_filters.size(); ++i) {
    TaskDetails details;
    if (const int r = GetTaskDetails(connection, static_cast<std::uint8_t>(i), &details);
        r != kResultOk) {
      return failed("GetTaskDetails", r);
    }
    if (details.log_filters != wanted.task_filters[i]) {
      return "task " + std::to_string(i) + ": read back differs";
    }
  }
  return "";
}

}  // namespace

int run_config_save(const CommandContext& context) {
  int status = kExitOk;
  const auto document = instrument_json(context, &status);
  if (!document) return status;
  std::string error;
  if (!write_file_atomically(context.invocation.file, document->dump(2) + "\n", &error)) {
    context.console.err << "tarnquill-cli: " << error << "\n";
    return kExitUsage;
  }
  if (!context.invocation.json) {
    context.console.out << "Configuration of " << (*document)["identity"]["name"].get<std::string>()
                        << " saved to " << context.invocation.file << "\n";
  }
  return kExitOk;
}

int run_config_diff(const CommandContext& context) {
  const auto file = file_json(context);
  if (!file) return kExitUsage;
  if (const ConfigFromJson checked = config_from_json(*file); !checked.config) {
    context.console.err << "tarnquill-cli: " << context.invocation.file << ": " << checked.error
                        << "\n";
    return kExitUsage;
  }
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
  const struct {
    const char* what;
    std::string (*write)(Connection*, const InstrumentConfig&);
  } records[] = {{"identity", write_identity},
                 {"motors", write_motors},
                 {"flow meter", write_flow_meter},
                 {"pressure calibration", write_pressure},
                 {"cleaning", write_cleaning},
                 {"schedule", write_schedule},
                 {"task log filters", write_task_filters}};
  nlohmann::ordered_json report = nlohmann::ordered_json::object();
  bool all = true;
  for (const auto& record : records) {
    const std::string problem = record.write(context.connection(), *parsed.config);
    all = all && problem.empty();
    report[record.what] = problem.empty() ? "written and verified" : problem;
    if (!context.invocation.json) {
      context.console.out << record.what << ": "
                          << (problem.empty() ? "written and verified" : "FAILED: " + problem)
                          << "\n";
    }
  }
  if (context.invocation.json) print_json(context.console.out, report);
  if (!all) {
    context.console.err << "tarnquill-cli: not every record was written; run 'config diff "
                        << context.invocation.file << "' to see what differs\n";
    return kExitInstrument;
  }
  return kExitOk;
}

}  // namespace tq::cli
