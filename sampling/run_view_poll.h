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
#include "shell/poll_feed.h"
#include "shell/window_face.h"

namespace tq {

// A status read: the record itself (for the enabling, Stop and the double-click) and the
// texts decided from it.
struct RunStatusReport {
  SystemStatus status;
  RunStatusTexts texts;

  bool operator==(const RunStatusReport&) const = default;
};

using RunViewReport = std::variant<RunStatusReport, ListRow>;
using RunViewFeed = PollFeed<RunViewReport>;
using RunViewPolling = PollSession<RunViewReport>;

inline constexpr std::uint32_t kRunViewPeriodMs = 1000;

// The routine, from `cursor` on (a new view starts at the beginning of the log). The
// Connection is the routine's own reference, so it stays open while the routine runs.
int run_view_poll(Poller& poller, RunViewFeed& feed, const ConnectionRef& connection,
                  SampleLogCursor cursor);

}  // namespace tq
