// status: the Run view's status lines and the Diagnostics view's health read-outs, once
// or every second until interrupted.
#include <cmath>
#include <limits>

#include "cli/commands.h"
#include "cli/report.h"
#include "cli/text_encoding.h"
#include "diagnostics/diagnostics_view.h"
#include "link/command_table.h"
#include "link/commands.h"
#include "sampling/run_view.h"
#include "ui/resource.h"

namespace tq::cli {
namespace {

struct HealthLine {
  int control_id;
  const char* label;  // the read-out's label in the Diagnostics view
  const char* field;  // its name in JSON
};

constexpr HealthLine kHealthLines[] = {{IDC_RUN_STATE, "Run State", "run_state"},
                                       {IDC_VOLTAGE, "Voltage", "voltage"},
                                       {IDC_TEMP, "Temp", "temperature"},
                                       {IDC_RH, "RH", "humidity"}};

// Every read-out as the Diagnostics view shows it: the view's own decision, taken against
// a reading that differs from `now` in each of them (NaN differs from every value).
std::vector<ControlText> health_texts(const SystemStatus& now) {
  SystemStatus unlike;
  unlike.sampler_state = static_cast<std::uint8_t>(now.sampler_state + 1U);
  unlike.supply_voltage = std::numeric_limits<float>::quiet_NaN();
  unlike.board_temperature = std::numeric_limits<float>::quiet_NaN();
  unlike.board_humidity = std::numeric_limits<float>::quiet_NaN();
  return decide_health(unlike, now).texts;
}

std::string health_text(const std::vector<ControlText>& texts, int control_id) {
  for (const ControlText& text : texts) {
    if (text.id == control_id) return utf8_from_windows_1252(text.text);
  }
  return "";
}

nlohmann::ordered_json status_json(const SystemStatus& status) {
  const RunStatusTexts run = run_status_texts(status);
  nlohmann::ordered_json document = {{"banner", run.banner},   {"time", run.time},
                                     {"control", run.control}, {"waypoint", run.waypoint},
                                     {"state", run.state},     {"run_status", run.run_status},
                                     {"flow", run.flow},       {"pressure", run.pressure}};
  const std::vector<ControlText> health = health_texts(status);
  for (const HealthLine& line : kHealthLines) {
    document[line.field] = health_text(health, line.control_id);
  }
  return document;
}

void print_status(const CommandContext& context, const SystemStatus& status, bool watching) {
  std::ostream& out = context.console.out;
  if (context.invocation.json) {
    // Watching gives one document a line, so that a script can read them as they come.
    if (watching) {
      out << status_json(status).dump() << "\n" << std::flush;
    } else {
      print_json(out, status_json(status));
    }
    return;
  }
  const RunStatusTexts run = run_status_texts(status);
  for (const std::string* line : {&run.banner, &run.time, &run.control, &run.waypoint, &run.state,
                                  &run.run_status, &run.flow, &run.pressure}) {
    out << utf8_from_windows_1252(*line) << "\n";
  }
  const std::vector<ControlText> health = health_texts(status);
  for (const HealthLine& line : kHealthLines) {
    out << line.label << ": " << health_text(health, line.control_id) << "\n";
  }
  out << std::flush;
}

}  // namespace

int run_status(const CommandContext& context) {
  const bool watching = context.invocation.watch;
  bool shown = false;  // a block of lines is on the screen, to be set apart from the next
  for (;;) {
    SystemStatus status;
    int status_code = kExitOk;
    if (const int result =
            context.read([&] { return GetSystemStatus(context.connection(), &status); });
        result != kResultOk) {
      status_code = report_failure(context.console.err, kCmdGetSystemStatus, result);
      if (result == kResultInterrupted) return status_code;
    } else {
      if (shown && !context.invocation.json) context.console.out << "\n";
      print_status(context, status, watching);
      shown = true;
    }
    if (!watching) return status_code;
    // Ctrl+C ends the watch as it ends every long command.
    if (!context.platform.wait_ms(1000)) return report_interrupted(context.console.err);
  }
}

}  // namespace tq::cli
