// The instrument's configuration file.
#include "cli/config_json.h"

#include <map>
#include <span>
#include <utility>

#include "cli/json_fields.h"
#include "cli/report.h"
#include "cli/schedule_json.h"
#include "cli/text_encoding.h"
#include "config/cleaning_dialog.h"
#include "config/flow_meter_dialog.h"
#include "config/identity_dialog.h"
#include "config/pressure_dialog.h"
#include "link/command_table.h"
#include "link/commands.h"
#include "link/device_type.h"

namespace tq::cli {
namespace {

constexpr const char* kFormat = "tarnquill-config";
constexpr unsigned kFormatVersion = 1;  // unsigned, as every whole number in the file reads

std::string field_text(std::span<const char> field) {
  const std::string_view view(field.data(), field.size());
  return std::string(view.substr(0, view.find('\0')));
}

nlohmann::ordered_json motor_json(std::uint8_t id, const MotorConfig& motor) {
  nlohmann::ordered_json json = {{"motor_id", id},
                                 {"name", std::string(NameOfCode(kMotorNames, id, ""))}};
  put_fields(json, kMotorFields, motor);
  return json;
}

nlohmann::ordered_json pressure_json(const PressureCalibration& p) {
  nlohmann::ordered_json points = nlohmann::ordered_json::array();
  for (std::size_t i = 0; i < kCalibrationPoints; ++i) {
    points.push_back({{kPointPressureKey, json_number(p.point_pressure[i])},
                      {kPointVoltsKey, json_number(p.point_voltage[i])},
                      {kPointInUseKey, p.point_in_use[i] != 0}});
  }
  return {{kSlopeKey, p.slope}, {kOffsetKey, p.offset}, {kPointsKey, points}};
}

// The waste box sits second, between the first two numbers.
nlohmann::ordered_json cleaning_json(const CleaningConfig& c) {
  const std::span<const WholeField<CleaningConfig>> fields(kCleaningFields);
  nlohmann::ordered_json json = nlohmann::ordered_json::object();
  put_fields(json, fields.first(1), c);
  json[kCleaningThroughCartridgeKey] = c.clean_through_cartridge != 0;
  put_fields(json, fields.subspan(1), c);
  return json;
}

nlohmann::ordered_json tasks_json(const InstrumentConfig& config) {
  nlohmann::ordered_json tasks = nlohmann::ordered_json::array();
  for (std::size_t i = 0; i < config.task_filters.size(); ++i) {
    const std::uint8_t bits = config.task_filters[i];
    tasks.push_back(
        {{"task", i},
         {"name", utf8_from_windows_1252(i < config.task_names.size() ? config.task_names[i] : "")},
         {"error", (bits & kLogFilterError) != 0},
         {"info", (bits & kLogFilterInformation) != 0},
         {"debug", (bits & kLogFilterDebug) != 0}});
  }
  return tasks;
}

// Each element of a list, through its own Fields; false after the first mistake.
template <class Each>
bool each_of(Fields& top, const char* name, std::size_t count, std::string* error, Each each) {
  const nlohmann::ordered_json* list = top.take(name, true);
  if (list == nullptr) return false;
  if (!list->is_array() || list->size() != count) {
    top.fail(name, "must be a list of " + std::to_string(count));
    return false;
  }
  for (std::size_t i = 0; i < count && error->empty(); ++i) {
    Fields item(list->at(i), std::string(name) + "[" + std::to_string(i) + "]", error);
    each(item, i);
    item.finish();
  }
  return error->empty();
}

void flatten(const nlohmann::ordered_json& value, const std::string& path,
             std::map<std::string, nlohmann::ordered_json>& out) {
  if (value.is_object()) {
    for (const auto& [key, item] : value.items()) {
      std::string inner = path;
      if (!inner.empty()) inner += ".";
      inner += key;
      flatten(item, inner, out);
    }
  } else if (value.is_array()) {
    for (std::size_t i = 0; i < value.size(); ++i) {
      flatten(value[i], path + "[" + std::to_string(i) + "]", out);
    }
    if (value.empty()) out[path] = value;
  } else {
    out[path] = value;
  }
}

// The calibration points are single floats on the instrument: a file may write one with
// all the digits of its double (as files of earlier versions do) and still hold the same.
bool same_value(const std::string& key, const nlohmann::ordered_json& a,
                const nlohmann::ordered_json& b) {
  if (a == b) return true;
  const bool single = key.rfind(std::string("pressure_calibration.") + kPointsKey + "[", 0) == 0;
  return single && a.is_number() && b.is_number() &&
         static_cast<float>(a.get<double>()) == static_cast<float>(b.get<double>());
}

std::string named(std::uint8_t command) { return std::string(command_name(command)); }

}  // namespace

ConfigRead read_instrument_config(Connection* connection, const CommandRunner& runner) {
  ConfigRead read;
  InstrumentConfig config;
  const auto step = [&read, &runner](std::string command, auto&& call) {
    const int result = runner([&] { return call(); });
    if (result == kResultOk) return true;
    read.failed_command = std::move(command);
    read.result = result;
    return false;
  };
  if (!step(named(kCmdGetIdentity), [&] { return GetIdentity(connection, &config.identity); }))
    return read;
  if (!step(named(kCmdGetDeviceType),
            [&] { return GetDeviceType(connection, &read.unit.device_type); }))
    return read;
  FirmwareVersion firmware;
  if (!step(named(kCmdGetFirmwareVersion),
            [&] { return GetFirmwareVersion(connection, &firmware); }))
    return read;
  read.unit.firmware = field_text(firmware.version);
  for (std::uint8_t id = 1; id <= kMotorCount; ++id) {
    if (!step(named(kCmdGetMotorConfig),
              [&] { return GetMotorConfig(connection, id, &config.motors[id - 1U]); }))
      return read;
  }
  if (!step(named(kCmdGetConfigBlock) + " (flow meter)",
            [&] { return ReadFlowMeterConfig(connection, &config.flow_meter); }))
    return read;
  if (!step(named(kCmdGetConfigBlock) + " (pressure calibration)",
            [&] { return ReadPressureCalibration(connection, &config.pressure); }))
    return read;
  if (!step(named(kCmdGetCleaningConfig),
            [&] { return GetCleaningConfig(connection, &config.cleaning); }))
    return read;
  if (!step(named(kCmdGetSchedule), [&] { return GetSchedule(connection, &config.schedule); }))
    return read;
  std::uint8_t last_task = 0;
  if (!step(named(kCmdGetTaskCount), [&] { return GetTaskCount(connection, &last_task); }))
    return read;
  const std::size_t tasks = std::min<std::size_t>(last_task + 1U, kMaxTaskFilters);
  for (std::size_t i = 0; i < tasks; ++i) {
    TaskDetails details;
    if (!step(named(kCmdGetTaskDetails),
              [&] { return GetTaskDetails(connection, static_cast<std::uint8_t>(i), &details); }))
      return read;
    config.task_filters.push_back(details.log_filters);
    config.task_names.push_back(field_text(details.name));
  }
  read.config = config;
  return read;
}

nlohmann::ordered_json config_to_json(const InstrumentConfig& config, const UnitInfo& unit) {
  nlohmann::ordered_json motors = nlohmann::ordered_json::array();
  for (std::uint8_t id = 1; id <= kMotorCount; ++id) {
    motors.push_back(motor_json(id, config.motors[id - 1U]));
  }
  nlohmann::ordered_json identity = {
      {kIdentityNameKey, utf8_from_windows_1252(sensor_name_of(config.identity))}};
  put_fields(identity, kIdentityFields, config.identity);
  nlohmann::ordered_json flow_meter = nlohmann::ordered_json::object();
  put_fields(flow_meter, kFlowMeterFields, config.flow_meter);
  return {{"format", kFormat},
          {"version", kFormatVersion},
          {"unit",
           {{"device_type", unit.device_type},
            {"device", DeviceTypeName(unit.device_type)},
            {"firmware", utf8_from_windows_1252(unit.firmware)}}},
          {"identity", identity},
          {"motors", motors},
          {"flow_meter", flow_meter},
          {"pressure_calibration", pressure_json(config.pressure)},
          {"cleaning", cleaning_json(config.cleaning)},
          {"schedule", schedule_to_json(config.schedule)},
          {"task_log_filters", tasks_json(config)}};
}

ConfigFromJson config_from_json(const nlohmann::ordered_json& document) {
  ConfigFromJson out;
  std::string& error = out.error;
  InstrumentConfig config;
  Fields top(document, "", &error);
  if (top.text("format", 40, true).value_or(kFormat) != kFormat) {
    top.fail("format",
             std::string("must be \"") + kFormat + "\": this is not a file 'config save' wrote");
  }
  if (top.whole("version", kFormatVersion, true).value_or(kFormatVersion) != kFormatVersion) {
    top.fail("version", "must be 1");
  }
  top.take("unit", false);  // where the file came from; never written back

  if (const nlohmann::ordered_json* identity = top.take("identity", true)) {
    Fields fields(*identity, "identity", &error);
    SetFieldText(config.identity.name,
                 fields.single_byte_text(kIdentityNameKey, kMaxDeviceName, true).value_or(""));
    take_fields(fields, kIdentityFields, config.identity);
    fields.finish();
  }
  each_of(top, "motors", config.motors.size(), &error, [&](Fields& f, std::size_t i) {
    if (f.whole("motor_id", kMotorCount, true).value_or(i + 1) != i + 1) {
      f.fail("motor_id", "must be " + std::to_string(i + 1) + " (the motors in order 1 to 5)");
    }
    f.text("name", 40, false);
    take_fields(f, kMotorFields, config.motors[i]);
  });
  if (const nlohmann::ordered_json* flow = top.take("flow_meter", true)) {
    Fields fields(*flow, "flow_meter", &error);
    take_fields(fields, kFlowMeterFields, config.flow_meter);
    fields.finish();
  }
  if (const nlohmann::ordered_json* pressure = top.take("pressure_calibration", true)) {
    Fields fields(*pressure, "pressure_calibration", &error);
    config.pressure.slope = fields.real(kSlopeKey, true).value_or(0);
    config.pressure.offset = fields.real(kOffsetKey, true).value_or(0);
    each_of(fields, kPointsKey, kCalibrationPoints, &error, [&](Fields& f, std::size_t i) {
      config.pressure.point_pressure[i] =
          static_cast<float>(f.real(kPointPressureKey, true).value_or(0));
      config.pressure.point_voltage[i] =
          static_cast<float>(f.real(kPointVoltsKey, true).value_or(0));
      config.pressure.point_in_use[i] = f.flag(kPointInUseKey, true).value_or(false) ? 1 : 0;
    });
    fields.finish();
  }
  if (const nlohmann::ordered_json* cleaning = top.take("cleaning", true)) {
    Fields f(*cleaning, "cleaning", &error);
    CleaningConfig& c = config.cleaning;
    const std::span<const WholeField<CleaningConfig>> numbers(kCleaningFields);
    take_fields(f, numbers.first(1), c);
    c.clean_through_cartridge = f.flag(kCleaningThroughCartridgeKey, true).value_or(false) ? 1 : 0;
    take_fields(f, numbers.subspan(1), c);
    f.finish();
  }
  if (const nlohmann::ordered_json* schedule = top.take("schedule", true);
      schedule && error.empty()) {
    const ScheduleFromJson parsed = schedule_from_json(*schedule);
    if (parsed.record) {
      config.schedule = *parsed.record;
    } else {
      error = "schedule." + parsed.error;
    }
  }
  if (const nlohmann::ordered_json* tasks = top.take("task_log_filters", true);
      tasks && error.empty()) {
    if (!tasks->is_array() || tasks->empty() || tasks->size() > kMaxTaskFilters) {
      top.fail("task_log_filters", "must be a list of 1 to 25 tasks");
    } else {
      for (std::size_t i = 0; i < tasks->size() && error.empty(); ++i) {
        Fields f(tasks->at(i), "task_log_filters[" + std::to_string(i) + "]", &error);
        if (f.whole("task", kMaxTaskFilters, true).value_or(i) != i) {
          f.fail("task", "must be " + std::to_string(i) + " (the tasks in order from 0)");
        }
        config.task_names.push_back(f.text("name", 32, false).value_or(""));
        std::uint8_t bits = 0;
        if (f.flag("error", true).value_or(false)) bits |= kLogFilterError;
        if (f.flag("info", true).value_or(false)) bits |= kLogFilterInformation;
        if (f.flag("debug", true).value_or(false)) bits |= kLogFilterDebug;
        config.task_filters.push_back(bits);
        f.finish();
      }
    }
  }
  top.finish();
  if (error.empty()) out.config = config;
  return out;
}

std::vector<std::string> config_differences(const nlohmann::ordered_json& file,
                                            const nlohmann::ordered_json& instrument) {
  std::map<std::string, nlohmann::ordered_json> a;
  std::map<std::string, nlohmann::ordered_json> b;
  flatten(file, "", a);
  flatten(instrument, "", b);
  std::vector<std::string> lines;
  const auto shown = [](const std::map<std::string, nlohmann::ordered_json>& values,
                        const std::string& key) {
    const auto found = values.find(key);
    return found == values.end() ? std::string("(none)") : found->second.dump();
  };
  std::map<std::string, bool> keys;
  for (const auto& [key, value] : a) keys[key] = true;
  for (const auto& [key, value] : b) keys[key] = true;
  for (const auto& [key, unused] : keys) {
    if (key == "format" || key == "version") continue;
    const auto x = a.find(key);
    const auto y = b.find(key);
    if (x != a.end() && y != b.end() && same_value(key, x->second, y->second)) continue;
    lines.push_back(key + ": file " + shown(a, key) + ", instrument " + shown(b, key));
  }
  return lines;
}

}  // namespace tq::cli
