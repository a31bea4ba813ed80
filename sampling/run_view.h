// The Run view's decisions: the texts of the state banner and the seven status lines for a
// SystemStatus, which run controls may be used in which state, what Start and Stop send,
// and where a double-click opens the cartridge reset. Pure functions of plain records;
// the Win32 side (run_view_win32.cpp) applies them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "link/connection.h"
#include "link/records.h"
#include "ui/window_face.h"

namespace tq {

// ---- Status --------------------------------------------------------------------------------

struct RunStatusTexts {
  std::string banner;  // "unpowered" or "Top Cartridge: <id>"
  std::string time;
  std::string control;
  std::string waypoint;
  std::string state;
  std::string run_status;
  std::string flow;
  std::string pressure;

  bool operator==(const RunStatusTexts&) const = default;
};

// Times show day, month, year, hours and minutes: the first 16 characters of the full
// text, whose seconds would change on every refresh.
inline constexpr std::size_t kStatusTimeLength = 16;
[[nodiscard]] std::string status_time(std::uint32_t epoch_seconds);

[[nodiscard]] RunStatusTexts run_status_texts(const SystemStatus& status);
// The sampler's state as the state line names it ("Idle", "Pumping Sample ID=3",
// "unpowered"), never its code; "schedule in control" added when it is.
[[nodiscard]] std::string sampler_state_name(const SystemStatus& status);
// The texts as the controls they go into: the banner first, then the lines in order.
[[nodiscard]] std::vector<ControlText> run_status_face(const RunStatusTexts& texts);

// The status panel's caption while the link is lost: the lines show the last values read,
// at this time of the PC's day.
[[nodiscard]] std::string last_known_mark(unsigned hour, unsigned minute, unsigned second);

// ---- Run controls --------------------------------------------------------------------------

// What the enabling depends on: the mode selected in the combo and, from the last status
// read (all zeros before the first), the sampler state and the control source.
struct RunControlInputs {
  std::uint8_t mode = 0;
  std::uint8_t sampler_state = 0;
  std::uint8_t control_source = 0;
};

struct RunControlDecision {
  std::vector<ControlFlag> enabled;  // every run control, in the template's order
  bool running = false;              // the flag reported to the main window
};

[[nodiscard]] RunControlDecision decide_run_controls(const RunControlInputs& inputs);

// The instrument counts as running while it is busy or its schedule is in control.
[[nodiscard]] bool instrument_running(std::uint8_t sampler_state, std::uint8_t control_source);

// ---- Start and Stop ------------------------------------------------------------------------

inline constexpr const char* kStartCaption = "Start";
inline constexpr const char* kStopCaption = "Stop";
inline constexpr const char* kStartScheduleFailed = "Unable to start schedule - check power supply";
inline constexpr const char* kStartRunFailed = "Unable to start device - check power supply";
inline constexpr const char* kStopScheduleFailed = "Unable to stop schedule - check power supply";
inline constexpr const char* kStopRunFailed = "Unable to stop device - turn off the power";

// Stop follows the instrument's control source, not the combo: the schedule in control is
// stopped with StopSchedule, anything else with StopRun.
[[nodiscard]] bool stop_stops_schedule(std::uint8_t control_source);
// Sends the stop command for `control_source`; its ResultCode.
[[nodiscard]] int send_stop(Connection* connection, std::uint8_t control_source);

// ---- Double-click --------------------------------------------------------------------------

struct ViewRect {
  int left = 0;
  int top = 0;
  int right = 0;   // excluded
  int bottom = 0;  // excluded
};

// Whether a double-click at (x, y) of the view opens the Reset Cartridge ID dialog: on the
// state banner, and only while the sampler is not busy (state 0, 1 or 2).
[[nodiscard]] bool double_click_opens_reset(int x, int y, const ViewRect& banner,
                                            std::uint8_t sampler_state);

}  // namespace tq
