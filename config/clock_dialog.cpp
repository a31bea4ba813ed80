// The real-time clock dialog's logic.
#include "config/clock_dialog.h"

#include "link/commands.h"
#include "ui/text_format.h"

namespace tq {

std::string clock_panel_text(const std::optional<DeviceTime>& time) {
  if (!time) return kClockErrorText;
  return format_text("%02d/%02d/%04d %02d:%02d:%02d", time->day, time->month, time->year,
                     time->hour, time->minute, time->second)
      .value_or(kClockErrorText);
}

int clock_poll_routine(Poller& poller, ClockFeed& feed, const ConnectionRef& connection) {
  if (poller.stop.load() != 0) return 0;
  do {
    std::optional<DeviceTime> time;
    DeviceTime read;
    if (GetClock(connection.get(), &read) == kResultOk) time = read;
    static_cast<void>(feed.publish({clock_panel_text(time)}));
  } while (PollerWait(poller, kClockPollPeriodMs));
  return 0;
}

std::vector<ControlFlag> clock_pickers_enabled(bool to_picked_time) {
  return {{IDC_CLOCK_DATE, to_picked_time}, {IDC_CLOCK_TIME, to_picked_time}};
}

}  // namespace tq
