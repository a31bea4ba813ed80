// Every configuration the instrument stores, as one record and as the JSON file that
// 'config save' writes and 'config diff' and 'config load' read (docs/cli.md describes
// it). The file also names the unit it was read from (type, name, serial, firmware).
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "config/motor_dialog.h"
#include "link/connection.h"
#include "link/records.h"

namespace tq::cli {

struct InstrumentConfig {
  IdentityRecord identity;
  std::array<MotorConfig, kMotorCount> motors{};  // motor ids 1..5
  FlowMeterConfig flow_meter;
  PressureCalibration pressure;
  CleaningConfig cleaning;
  ScheduleRecord schedule;
  std::vector<std::uint8_t> task_filters;  // tasks 0..N, kLogFilter* bits
  std::vector<std::string> task_names;     // shown in the file, not written back
};

struct UnitInfo {
  std::uint16_t device_type = 0;
  std::string firmware;
};

// Reads everything. On a failure: nothing, with the command and its ResultCode.
struct ConfigRead {
  std::optional<InstrumentConfig> config;
  UnitInfo unit;
  std::string failed_command;
  int result = 0;
};
// `runner` runs each read-only command (a retrying runner, or one that simply calls it).
using CommandRunner = std::function<int(const std::function<int()>&)>;
[[nodiscard]] ConfigRead read_instrument_config(Connection* connection,
                                                const CommandRunner& runner);

[[nodiscard]] nlohmann::ordered_json config_to_json(const InstrumentConfig& config,
                                                    const UnitInfo& unit);

struct ConfigFromJson {
  std::optional<InstrumentConfig> config;  // every field checked; bytes the file does not
                                           // carry are zero and come from the instrument
  std::string error;
};
[[nodiscard]] ConfigFromJson config_from_json(const nlohmann::ordered_json& document);

// "motors[2].speed_percent: file 60, instrument 70", one per differing field.
[[nodiscard]] std::vector<std::string> config_differences(const nlohmann::ordered_json& file,
                                                          const nlohmann::ordered_json& instrument);

}  // namespace tq::cli
