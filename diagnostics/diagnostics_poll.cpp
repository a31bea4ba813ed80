// The Diagnostics view's poll routine.
#include "diagnostics/diagnostics_poll.h"

#include <optional>

#include "link/commands.h"

namespace tq {
namespace {

HealthUpdate read_health(Connection* connection, const SystemStatus& last_shown,
                         DiagnosticsFeed& feed, LinkWatch& link) {
  SystemStatus status;
  std::optional<SystemStatus> reading;
  const int result = GetSystemStatus(connection, &status);
  if (result == kResultOk) reading = status;
  const bool port_lost = connection != nullptr && ReadConnectionStats(*connection).lost;
  if (const auto change = link.note(result != kResultLinkFailure, port_lost)) feed.publish(*change);
  return decide_health(last_shown, reading);
}

// Fetches entries until there is no further one or the view pauses; false when the
// Poller was stopped.
bool drain_log(Poller& poller, DiagnosticsFeed& feed, Connection* connection, LogRowWindow& rows) {
  for (;;) {
    if (!PollerWait(poller, kDiagnosticsEntryWaitMs)) return false;
    if (feed.inputs().paused) return true;
    DiagnosticLogEntry entry;
    if (GetDiagnosticLogEntry(connection, &entry) != kResultOk) return true;
    feed.publish(add_log_row(rows, entry));
  }
}

}  // namespace

int diagnostics_poll(Poller& poller, DiagnosticsFeed& feed, const ConnectionRef& connection,
                     SystemStatus last_shown) {
  bool started = false;
  LogRowWindow rows;
  LinkWatch link;
  const auto reopenings = [c = connection.get()] {
    return c != nullptr ? ReadConnectionStats(*c).reopenings : 0;
  };
  std::uint64_t opened = reopenings();
  for (;;) {
    if (!started && StartDiagnosticLogRead(connection.get()) == kResultOk) {
      started = true;
      feed.publish(LogReadStarted{});
    }
    if (started) {
      if (!feed.inputs().paused) {
        HealthUpdate health = read_health(connection.get(), last_shown, feed, link);
        last_shown = health.shown;
        feed.publish(std::move(health));
      }
      if (!drain_log(poller, feed, connection.get(), rows)) return 0;
    }
    if (const std::uint64_t now = reopenings(); now != opened) {
      opened = now;
      feed.publish(LinkReopened{});
    }
    if (!PollerWait(poller, kDiagnosticsPeriodMs)) return 0;
  }
}

}  // namespace tq
