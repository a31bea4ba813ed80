// The real-time clock dialog's logic: the clock panel's text, the poll routine that reads
// the instrument's clock once a second, the pickers' enabling and the DeviceTime that Set
// Now sends.
//
// Threads: clock_poll_routine runs on the dialog's Poller thread and only publishes into
// its feed; everything else is pure.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "link/connection.h"
#include "link/poller.h"
#include "link/records.h"
#include "ui/epoch.h"
#include "ui/poll_feed.h"
#include "ui/resource.h"
#include "ui/window_face.h"

namespace tq {

inline constexpr const char* kClockErrorText = "ERROR";
inline constexpr const char* kClockSaveCaption = "Save";
inline constexpr const char* kClockSetFailedText = "Failed to set RTC time";
inline constexpr const char* kClockToPickedTooltip =
    "Set sensor's RTC to this time when you hit Set Now";
inline constexpr const char* kClockToPcTooltip =
    "Set sensor's RTC to this PC's time when you hit Set Now";
inline constexpr const char* kClockSetNowTooltip = "Set the RTC time now";

inline constexpr std::uint32_t kClockPollPeriodMs = 1000;

// "dd/mm/yyyy hh:mm:ss" of the instrument's fields as they are (the year always with at
// least four digits); "ERROR" when the clock could not be read.
[[nodiscard]] std::string clock_panel_text(const std::optional<DeviceTime>& time);

// What one pass of the poll routine found: the panel's new text.
struct ClockReport {
  std::string panel;

  bool operator==(const ClockReport&) const = default;
};
using ClockFeed = PollFeed<ClockReport>;

// Reads the clock on `connection` (null gives "ERROR"), publishes the panel text, and
// waits kClockPollPeriodMs for the next pass, until the Poller is stopped. The first pass
// runs at once.
int clock_poll_routine(Poller& poller, ClockFeed& feed, const ConnectionRef& connection);

// The pickers are enabled exactly while "To This Date/Time" is checked.
[[nodiscard]] std::vector<ControlFlag> clock_pickers_enabled(bool to_picked_time);

}  // namespace tq
