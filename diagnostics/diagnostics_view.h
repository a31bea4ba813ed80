// The Diagnostics view's logic: the texts and colours of the log rows, the window of at
// most 201 rows the list keeps, the health read-outs with their change-only rule, and
// the view's fixed texts.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "link/records.h"
#include "ui/dialog_tables.h"
#include "ui/list_save.h"
#include "ui/window_face.h"

namespace tq {

inline constexpr const char* kClearCaption = "Clear";
inline constexpr const char* kClearQuestion =
    "This will permanently wipe the diagnostic log on the sensor. Are you sure you want to do "
    "this?";
inline constexpr const char* kUnableToClearText = "Unable to clear log";
inline constexpr ListSaveTexts kDiagnosticsSaveTexts = {"Diagnostics Log File", "Save Diagnostics",
                                                        "Diagnostics saved to %s"};
// The humidity box until a humidity other than 0.0 has been read.
inline constexpr const char* kHumidityUnavailable = "unavailable";

// Tooltips live as long as the program: the tooltip control keeps the pointer.
inline constexpr const char* kVoltageTip = "Supply voltage (V)";
inline constexpr const char* kTemperatureTip = "System board temperature (C)";
inline constexpr const char* kHumidityTip = "System board humidity";
inline constexpr const char* kRunStateTip = "Firmware run state";

inline constexpr int kLogColumnCount = 6;
inline constexpr std::array<ListColumn, kLogColumnCount> kLogColumns = {{
    {"Counter", 10},
    {"Task ID", 7},
    {"Severity", 7},
    {"Function", 25},
    {"Line", 10},
    {"Message", 80},
}};

// Row text colours, 0x00BBGGRR.
inline constexpr std::uint32_t kRowBlack = 0x00000000;
inline constexpr std::uint32_t kRowRed = 0x000000FF;
inline constexpr std::uint32_t kRowBlue = 0x00FF0000;
// An entry whose message holds this is the firmware starting again: blue, even when it
// is logged as an error, so a restart stands out from the errors around it.
inline constexpr std::string_view kRestartMessage = "Restarted after reset";

[[nodiscard]] std::uint32_t log_row_colour(const DiagnosticLogEntry& entry);
// "E", "I", "D" for the three severities, "?" for any other value.
[[nodiscard]] std::string_view severity_letter(std::uint8_t severity);
// Counter, task id, severity, function, line, message; each text up to its first NUL and
// never beyond its field.
[[nodiscard]] std::vector<std::string> log_row_cells(const DiagnosticLogEntry& entry);

// The list keeps at most this many rows of one reading of the log: the newest ones.
inline constexpr int kMaxLogRows = 201;

// The rows one reading of the log has added and still shows.
struct LogRowWindow {
  int shown = 0;
};

// What the list does for one new entry: drop its first row when full, then insert the
// row at the end (and scroll it into view).
struct LogRowChange {
  bool drop_oldest = false;
  ListRow row;

  bool operator==(const LogRowChange&) const = default;
};

[[nodiscard]] LogRowChange add_log_row(LogRowWindow& window, const DiagnosticLogEntry& entry);

// "UNPOWERED" (1), "IDLE" (2), "RUNNING" (any other value).
[[nodiscard]] std::string_view run_state_text(std::uint8_t run_state);
// What the view reports to the main window as its running flag.
[[nodiscard]] constexpr bool run_state_is_running(std::uint8_t run_state) { return run_state > 2; }

// The read-outs after one status reading.
struct HealthUpdate {
  std::vector<ControlText> texts;  // only the read-outs whose value changed
  SystemStatus shown;              // the health now shown, for the next comparison
  bool running = false;

  bool operator==(const HealthUpdate&) const = default;
};

// Each read-out is rewritten only when its value differs from the one last shown (a NaN
// always differs), so a value equal to the all-zero start is not shown until it has once
// been different. A failed reading (nothing) changes nothing.
[[nodiscard]] HealthUpdate decide_health(const SystemStatus& last_shown,
                                         const std::optional<SystemStatus>& reading);

}  // namespace tq
