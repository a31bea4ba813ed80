// Parsing the tarnquill-sim command line.
#include "sim/command_line.h"

#include <charconv>
#include <cmath>

#include "sim/scenario.h"

namespace tq::sim {
namespace {

constexpr double kMaxSpeed = 100000;

bool ParseUnsigned(std::string_view text, std::uint64_t max, std::uint64_t& out) {
  std::uint64_t value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size() || value > max) {
    return false;
  }
  out = value;
  return true;
}

bool ParseSpeed(std::string_view text, double& out) {
  double value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size() ||
      !std::isfinite(value) || value <= 0 || value > kMaxSpeed) {
    return false;
  }
  out = value;
  return true;
}

void AddScenarios(std::string_view list, std::vector<std::string>& out) {
  while (!list.empty()) {
    const std::size_t comma = list.find(',');
    const std::string_view name = list.substr(0, comma);
    if (!name.empty()) out.emplace_back(name);
    list = comma == std::string_view::npos ? std::string_view() : list.substr(comma + 1);
  }
}

}  // namespace

std::optional<CommandLine> ParseCommandLine(std::span<const std::string_view> args,
                                            std::string* error) {
  CommandLine line;
  std::string problem;
  for (std::size_t i = 0; i < args.size() && problem.empty(); ++i) {
    const std::string_view arg = args[i];
    const auto value = [&]() -> std::optional<std::string_view> {
      if (i + 1 >= args.size()) {
        problem = std::string(arg) + " needs a value";
        return std::nullopt;
      }
      return args[++i];
    };
    std::uint64_t number = 0;
    if (arg == "--help" || arg == "-h") {
      line.help = true;
    } else if (arg == "--pace") {
      line.server.pace = true;
    } else if (arg == "--pace-line") {
      line.server.pace = true;
      line.server.pace_requests = true;
    } else if (arg == "--old-firmware") {
      line.instrument.old_firmware = true;
    } else if (arg == "--speed") {
      if (const auto v = value(); v && !ParseSpeed(*v, line.server.speed)) {
        problem = "bad speed: " + std::string(*v);
      }
    } else if (arg == "--seed") {
      if (const auto v = value(); v) {
        if (ParseUnsigned(*v, UINT64_MAX, number)) {
          line.instrument.seed = number;
          line.server.seed = number;
        } else {
          problem = "bad seed: " + std::string(*v);
        }
      }
    } else if (arg == "--fault") {
      if (const auto v = value(); v) {
        std::string why;
        if (const auto fault = ParseFaultRule(*v, &why)) {
          if (fault->random_rate) {
            line.server.random_fault_rate = *fault->random_rate;
          } else {
            line.server.faults.push_back(fault->rule);
          }
        } else {
          problem = "bad fault \"" + std::string(*v) + "\": " + why;
        }
      }
    } else if (arg == "--scenario") {
      if (const auto v = value(); v) AddScenarios(*v, line.scenarios);
    } else if (arg == "--name") {
      if (const auto v = value(); v) {
        if (v->size() > 20) {
          problem = "a name has at most 20 characters";
        } else {
          line.instrument.name = std::string(*v);
        }
      }
    } else if (arg == "--serial") {
      if (const auto v = value(); v) {
        if (ParseUnsigned(*v, 65535, number)) {
          line.instrument.serial_number = static_cast<std::uint16_t>(number);
        } else {
          problem = "bad serial number (0-65535): " + std::string(*v);
        }
      }
    } else if (arg == "--device-type") {
      if (const auto v = value(); v) {
        if (ParseUnsigned(*v, 65535, number)) {
          line.instrument.device_type = static_cast<std::uint16_t>(number);
        } else {
          problem = "bad device type (0-65535): " + std::string(*v);
        }
      }
    } else if (arg == "--clock") {
      if (const auto v = value(); v) {
        if (ParseUnsigned(*v, 0xFFFFFFFF, number)) {
          line.instrument.clock = static_cast<std::int64_t>(number);
          line.clock_given = true;
        } else {
          problem = "bad clock (seconds since 1970): " + std::string(*v);
        }
      }
    } else if (arg == "--clamp-motor-speed") {
      if (const auto v = value(); v) {
        if (ParseUnsigned(*v, 100, number)) {
          line.instrument.motor_speed_limit = static_cast<std::uint16_t>(number);
        } else {
          problem = "bad motor speed limit (0-100): " + std::string(*v);
        }
      }
    } else if (arg == "--link") {
      if (const auto v = value(); v) {
        if (v->empty()) {
          problem = "--link needs a path";
        } else {
          line.link_path = std::string(*v);
        }
      }
    } else {
      problem = "unknown option: " + std::string(arg);
    }
  }
  if (!problem.empty()) {
    if (error != nullptr) *error = problem;
    return std::nullopt;
  }
  return line;
}

std::string UsageText() {
  std::string text =
      "Usage: tarnquill-sim [options]\n"
      "Serves a simulated sampler instrument on a new pseudo-terminal. The terminal's\n"
      "device name is printed on standard output, one line (again after each time the\n"
      "line is unplugged and comes back). Stops cleanly on SIGINT, SIGTERM or SIGHUP.\n"
      "\n"
      "Options:\n"
      "  --link PATH            keep a symbolic link to the terminal at PATH (away while the\n"
      "                         line is unplugged, removed on exit)\n"
      "  --speed F              instrument time runs F times faster than real time (default 1)\n"
      "  --pace                 send responses at 38400 baud, as the real line does\n"
      "  --pace-line            as --pace, and answer each request only after its own\n"
      "                         128 byte times on the line (a whole Transaction as on a\n"
      "                         real cable)\n"
      "  --fault RULE           inject a fault (repeatable; syntax below)\n"
      "  --seed N               seed for everything random (default 1)\n"
      "  --scenario NAME[,...]  start in a scenario (repeatable; names below)\n"
      "  --old-firmware         firmware too old for identity format 2 (SetIdentity gives 8)\n"
      "  --name TEXT            instrument name, at most 20 characters\n"
      "  --serial N             serial number, 0-65535\n"
      "  --device-type N        device type code (default 42)\n"
      "  --clock SECONDS        instrument clock at start, seconds since 1970\n"
      "                         (default: this computer's local time)\n"
      "  --clamp-motor-speed N  store motor speeds of at most N%, so a save reads back\n"
      "                         differently\n"
      "  --help                 this text\n"
      "\n"
      "Scenarios:\n";
  for (const ScenarioInfo& s : Scenarios()) {
    text += "  " + std::string(s.name) + std::string(12 - s.name.size(), ' ') +
            std::string(s.description) + "\n";
  }
  text += "\n";
  text += FaultRuleHelp();
  return text;
}

}  // namespace tq::sim
