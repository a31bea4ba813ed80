// The Diagnostics view's poll routine: it starts a reading of the instrument's diagnostic
// log, then every 500 ms reads the health read-outs and drains the log entry by entry,
// publishing what the view is to show.
//
// Threads: diagnostics_poll runs on the Poller's thread and touches no window; the view
// takes the reports on its own thread (poll_feed.h) and sets the inputs.
#pragma once

#include <cstdint>
#include <variant>

#include "diagnostics/diagnostics_view.h"
#include "link/connection.h"
#include "link/poller.h"
#include "link/records.h"
#include "ui/link_watch.h"
#include "ui/poll_feed.h"

namespace tq {

inline constexpr std::uint32_t kDiagnosticsPeriodMs = 500;
inline constexpr std::uint32_t kDiagnosticsEntryWaitMs = 2;

// What the routine needs from the view: the Pause Display box.
struct DiagnosticsInputs {
  bool paused = false;
};

// The instrument accepted the start of a reading: the rows that follow are the whole log
// from its oldest entry, so the list shows nothing else.
struct LogReadStarted {
  bool operator==(const LogReadStarted&) const = default;
};

using DiagnosticsReport =
    std::variant<LogReadStarted, HealthUpdate, LogRowChange, LinkReport, LinkReopened>;
using DiagnosticsFeed = PollFeed<DiagnosticsReport, DiagnosticsInputs>;

// Runs until the Poller is stopped. Until StartDiagnosticLogRead succeeds (tried again
// every pass) nothing else is sent. Then each pass, unless paused, reads the status and
// publishes a HealthUpdate against `last_shown` (the health the view shows now), and
// fetches entries one by one, 2 ms apart, until the instrument has no further entry or
// the view is paused. A LinkReport follows a status read that changed the link's state, and
// a LinkReopened each pass in which the Connection has opened its port again.
int diagnostics_poll(Poller& poller, DiagnosticsFeed& feed, const ConnectionRef& connection,
                     SystemStatus last_shown);

}  // namespace tq
