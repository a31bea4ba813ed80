// The Run view's poll routine: once a cycle the instrument's status, then any new sample
// log entries one by one, then a 1000 ms wait that a wake cuts short.
//
// It runs on the Poller's thread and never touches a window: it publishes plain reports
// into its feed, which the view takes and applies on its own thread (run_view_win32.cpp).
// The view re-decides the run controls' enabling there, from the last status reported
// and the mode selected at that moment, so a mode change shows at once and no report
// decided with an older mode can undo it.
#pragma once

#include <cstdint>
#include <variant>

#include "link/connection.h"
#include "link/poller.h"
#include "link/records.h"
#include "sampling/run_view.h"
#include "sampling/sample_log.h"
#include "ui/link_watch.h"
#include "ui/poll_feed.h"
#include "ui/window_face.h"

namespace tq {

// A status read: the record itself (for the enabling, Stop and the double-click) and the
// texts decided from it.
struct RunStatusReport {
  SystemStatus status;
  RunStatusTexts texts;

  bool operator==(const RunStatusReport&) const = default;
};

// The routine has reached the end of the instrument's log since it started: the list holds
// every entry. Published once.
struct SampleLogListed {
  bool operator==(const SampleLogListed&) const = default;
};

// The port was opened again and another instrument (another serial number) answers on it:
// a new connection. The routine starts its log again from entry 0, and the rows shown so
// far belong to the instrument that went.
struct InstrumentChanged {
  IdentityRecord identity;
  bool operator==(const InstrumentChanged&) const = default;
};

using RunViewReport =
    std::variant<RunStatusReport, ListRow, SampleLogListed, LinkReport, InstrumentChanged>;
using RunViewFeed = PollFeed<RunViewReport>;
using RunViewPolling = PollSession<RunViewReport>;

inline constexpr std::uint32_t kRunViewPeriodMs = 1000;

// The routine, from `cursor` on (a new view starts at the beginning of the log). The
// Connection is the routine's own reference, so it stays open while the routine runs.
//
// It reads the instrument's identity when it starts. After the Connection has opened its
// port again, nothing it reads counts until the identity has been read again: a row read
// across a reopening is dropped and read again, so no row of one instrument ever joins
// another's list.
int run_view_poll(Poller& poller, RunViewFeed& feed, const ConnectionRef& connection,
                  SampleLogCursor cursor);

}  // namespace tq
