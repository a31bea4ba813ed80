// Log rows and health read-outs of the Diagnostics view.
#include "diagnostics/diagnostics_view.h"

#include "ui/resource.h"
#include "ui/text_format.h"

namespace tq {
namespace {

std::string formatted(std::optional<std::string> text) { return text ? *text : std::string(); }

// The read-out of one float, when it changed. Plain inequality: a NaN never equals
// anything, so it is always shown again.
void add_if_changed(std::vector<ControlText>& texts, int id, float last, float now,
                    const char* format) {
  if (now == last) return;
  if (auto text = format_text(format, static_cast<double>(now))) texts.push_back({id, *text});
}

}  // namespace

std::uint32_t log_row_colour(const DiagnosticLogEntry& entry) {
  if (FieldText(entry.message).find(kRestartMessage) != std::string::npos) return kRowBlue;
  if (entry.severity == kSeverityError) return kRowRed;
  return kRowBlack;
}

std::string_view severity_letter(std::uint8_t severity) {
  switch (severity) {
    case kSeverityError:
      return "E";
    case kSeverityInformation:
      return "I";
    case kSeverityDebug:
      return "D";
    default:
      return "?";
  }
}

std::vector<std::string> log_row_cells(const DiagnosticLogEntry& entry) {
  return {
      formatted(format_text("%08d", entry.counter)),
      formatted(format_text("%02d", static_cast<int>(entry.task_id))),
      std::string(severity_letter(entry.severity)),
      FieldText(entry.function),
      formatted(format_text("%d", entry.line)),
      FieldText(entry.message),
  };
}

LogRowChange add_log_row(LogRowWindow& window, const DiagnosticLogEntry& entry) {
  LogRowChange change;
  if (window.shown >= kMaxLogRows) {
    change.drop_oldest = true;
    --window.shown;
  }
  change.row.change = ListRow::Change::kInsert;
  change.row.index = window.shown;
  change.row.cells = log_row_cells(entry);
  change.row.colour = log_row_colour(entry);
  ++window.shown;
  return change;
}

std::string_view run_state_text(std::uint8_t run_state) {
  switch (run_state) {
    case static_cast<std::uint8_t>(SamplerState::kUnpowered):
      return "UNPOWERED";
    case static_cast<std::uint8_t>(SamplerState::kIdle):
      return "IDLE";
    default:
      return "RUNNING";
  }
}

HealthUpdate decide_health(const SystemStatus& last_shown,
                           const std::optional<SystemStatus>& reading) {
  HealthUpdate update;
  update.shown = reading ? *reading : last_shown;
  update.running = run_state_is_running(update.shown.sampler_state);
  if (!reading) return update;
  const SystemStatus& now = *reading;
  if (now.sampler_state != last_shown.sampler_state) {
    update.texts.push_back({IDC_RUN_STATE, std::string(run_state_text(now.sampler_state))});
  }
  add_if_changed(update.texts, IDC_VOLTAGE, last_shown.supply_voltage, now.supply_voltage,
                 "%.2f V");
  // The degree sign is the single Windows-1252 byte 0xB0.
  add_if_changed(update.texts, IDC_TEMP, last_shown.board_temperature, now.board_temperature,
                 "%.2f \xB0"
                 "C");
  add_if_changed(update.texts, IDC_RH, last_shown.board_humidity, now.board_humidity, "%.2f%%");
  return update;
}

}  // namespace tq
